#include "MailAttachments.h"

#include "Errors.h"
#include "FileUtils.h"

#include <cmath>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace MailAttachments {

QString folder()
{
    const QString path = FileUtils::temporaryFolder() + QStringLiteral("brivoline-%1/").arg(getuid());
    QFileInfo info(path.chopped(1));
    if (!info.exists() && !QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        throw FileError(QStringLiteral("Impossible de créer le dossier temporaire \"%1\".").arg(path));
    info.refresh();
    if (info.isSymLink() || !info.isDir() || info.ownerId() != getuid())
        throw FileError(
            QStringLiteral("Le dossier temporaire \"%1\" n'appartient pas à l'utilisateur.").arg(path));
    return path;
}

QString prepareTarget(const QString& fileName)
{
    QString name = QFileInfo(QString(fileName).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("piece-jointe");
    const QString target = folder() + name;
    QFile existing(target);
    if (existing.exists() || QFileInfo(target).isSymLink()) {
        existing.setPermissions(existing.permissions() | QFile::WriteOwner);
        if (!existing.remove())
            throw FileError(QStringLiteral("Impossible de remplacer le fichier \"%1\" : %2")
                                .arg(target, existing.errorString()));
    }
    return target;
}

QString temporaryCopy(const QString& storedFile, const QString& fileName)
{
    const QString target = prepareTarget(fileName);
    FileUtils::copyFile(storedFile, target, true);
    return target;
}

QString kiloText(qint64 bytes)
{
    // std::nearbyint rounds halves to the even neighbour in the default mode.
    const auto kilos = static_cast<qint64>(std::nearbyint(static_cast<double>(bytes) / 1000.0));
    return QString::number(kilos) + QStringLiteral(" Ko");
}

qint64 progressEstimate(const QStringList& sizeTexts)
{
    double total = 0;
    for (const QString& text : sizeTexts) {
        const qsizetype ko = text.indexOf(QLatin1String(" Ko"));
        QString number = (ko >= 0 ? text.left(ko) : text).trimmed();
        number.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double value = number.toDouble(&ok);
        if (ok && std::isfinite(value))
            total += value * 1000.0;
    }
    total += total / 3.0;
    return static_cast<qint64>(total);
}

QString missingFileText(const QString& storedFile)
{
    return QStringLiteral("IMPOSSIBLE D'ENVOYER CE FICHIER !\r\rLe fichier \"%1\" a sans doute été supprimé "
                          "manuellement et n'est plus accessible.")
        .arg(storedFile);
}

} // namespace MailAttachments
