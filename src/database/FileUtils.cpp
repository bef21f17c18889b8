#include "FileUtils.h"

#include "Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace FileUtils {

QString executablePath()
{
    return QCoreApplication::applicationFilePath();
}

QString fromIniPath(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

QString withTrailingSeparator(const QString& folder)
{
    QString f = fromIniPath(folder);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

QString documentsFolder()
{
    return withTrailingSeparator(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString programsFolder()
{
    return withTrailingSeparator(QStringLiteral(BRIVOLINE_INSTALL_PREFIX));
}

QString temporaryFolder()
{
    return withTrailingSeparator(QDir::tempPath());
}

QStringList listFiles(const QString& folder, const QString& mask)
{
    QDir dir(folder);
    return dir.entryList({mask}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}

int copyFiles(const QString& sourceFolder, const QString& targetFolder, const QString& mask)
{
    int copied = 0;
    for (const QString& name : listFiles(sourceFolder, mask)) {
        try {
            copyFile(sourceFolder + name, targetFolder + name, true);
            ++copied;
        } catch (const FileError&) {
            // A single unreadable file does not stop the others.
        }
    }
    return copied;
}

void removeFile(const QString& path)
{
    QFile file(path);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return;
    if (!file.remove())
        throw FileError(QStringLiteral("Impossible de supprimer le fichier \"%1\" : %2").arg(path, file.errorString()));
}

QStringList removeFiles(const QStringList& paths)
{
    QStringList kept;
    for (const QString& path : paths) {
        try {
            removeFile(path);
        } catch (const FileError&) {
            kept << path;
        }
    }
    return kept;
}

qint64 fileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : 0;
}

void copyFile(const QString& source, const QString& target, bool overwrite)
{
    if (!overwrite && QFileInfo::exists(target))
        throw FileError(QStringLiteral("Le fichier \"%1\" existe déjà.").arg(target));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Impossible de lire le fichier \"%1\" : %2").arg(source, in.errorString()));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Impossible d'écrire le fichier \"%1\" : %2").arg(target, out.errorString()));
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            throw FileError(QStringLiteral("Impossible de lire le fichier \"%1\" : %2").arg(source, in.errorString()));
        if (n == 0)
            break;
        if (out.write(buffer, n) != n)
            throw FileError(
                QStringLiteral("Impossible d'écrire le fichier \"%1\" : %2").arg(target, out.errorString()));
    }
    if (!out.commit())
        throw FileError(QStringLiteral("Impossible d'écrire le fichier \"%1\" : %2").arg(target, out.errorString()));
}

bool makeFolder(const QString& folder)
{
    QDir dir;
    return dir.exists(folder) || dir.mkdir(folder);
}

QString withoutAccents(const QString& text)
{
    static const QString from = QStringLiteral("éèêëàâäùûüôöîïç");
    static const QString to = QStringLiteral("eeeeaaauuuooiic");
    QString result = text;
    for (QChar& c : result) {
        const qsizetype i = from.indexOf(c);
        if (i >= 0)
            c = to.at(i);
    }
    return result;
}

QString safeFileName(const QString& name)
{
    QString clean = name;
    for (QChar c : QStringLiteral("/\\:*?<>|\""))
        clean.replace(c, QLatin1Char('_'));
    return clean;
}

} // namespace FileUtils
