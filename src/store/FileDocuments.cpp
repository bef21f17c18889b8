#include "FileDocuments.h"

#include "Bitmap.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Dataset.h"
#include "Errors.h"
#include "FileUtils.h"
#include "StoredFiles.h"
#include "Transaction.h"

#include <cerrno>
#include <cstdio>
#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <sys/stat.h>
#include <unistd.h>

namespace FileDocuments {

namespace {

constexpr int kIconSize = 32;

// A plain sheet with a folded corner, for a desktop without icon theme.
QImage blankSheet()
{
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.setBrush(Qt::white);
    const QPolygon sheet({QPoint(6, 2), QPoint(20, 2), QPoint(26, 8), QPoint(26, 29), QPoint(6, 29)});
    p.drawPolygon(sheet);
    p.drawPolyline(QPolygon({QPoint(20, 2), QPoint(20, 8), QPoint(26, 8)}));
    return image;
}

// The name the archive keeps: what Windows accepts in a cabinet.
QString entryName(const QString& fileName)
{
    QString name = bareFileName(fileName);
    for (QChar& c : name)
        if (c == QLatin1Char(':') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    return name;
}

} // namespace

QString personFilter(int personId)
{
    return QStringLiteral("WHERE DOCUMENTFILE.DoType=1 AND DOCUMENTFILE.Id_Ref=%1").arg(personId);
}

QByteArray iconBitmap(const QString& fileName)
{
    QAbstractFileIconProvider provider;
    QIcon icon = provider.icon(QFileInfo(fileName));
    if (icon.isNull()) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    }
    const QImage image =
        icon.isNull() ? blankSheet()
                      : icon.pixmap(kIconSize, kIconSize)
                            .toImage()
                            .scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return BmpFormat::encode(fromQImage(image));
}

int attach(Dataset& row, const QString& chosenFile, const QString& databaseFolder,
           const Cabinet::Progress& progress)
{
    const QFileInfo chosen(chosenFile);
    const QString name = chosen.fileName();
    const QString scratch = StoredFiles::attachmentOnItsWay(databaseFolder);
    try {
        row.field(QStringLiteral("FileName")).setAsString(name);
        row.field(QStringLiteral("FileType")).setAsString(typeDescription(name));
        row.field(QStringLiteral("FileSize")).setAsString(sizeText(chosen.size()));
        row.field(QStringLiteral("Remark")).setAsString(QString());
        row.field(QStringLiteral("FileIcon")).setAsBytes(iconBitmap(chosenFile));
        FileUtils::makeFolder(StoredFiles::attachedFiles().in(databaseFolder));
        Cabinet::create(scratch, {{chosenFile, entryName(name)}}, progress);

        Transaction transaction;
        row.post();
        const int id = row.field(QStringLiteral("Id")).asInteger();
        const QString archive = StoredFiles::attachedFile(databaseFolder, id);
        if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(archive).constData()) != 0)
            throw FileError(QStringLiteral("Impossible de mettre l'archive \"%1\" en place.").arg(archive));
        try {
            transaction.commit();
        } catch (...) {
            QFile::remove(archive);
            throw;
        }
        return id;
    } catch (...) {
        QFile::remove(scratch);
        if (row.isEditing()) {
            row.cancel();
        } else if (row.isActive()) {
            // A post that was rolled back: show the rows as they are.
            row.close();
            row.open();
        }
        throw;
    }
}

QString readingFolder()
{
    const QString folder = FileUtils::temporaryFolder() + QStringLiteral("brivoline-%1/").arg(::getuid());
    const QByteArray path = QFile::encodeName(folder.chopped(1));
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        throw FileError(QStringLiteral("Impossible de créer le dossier \"%1\".").arg(folder));
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & 0077) != 0)
        throw FileError(
            QStringLiteral(
                "Le dossier \"%1\" n'appartient pas à l'utilisateur : aucun fichier n'y est ouvert.")
                .arg(folder));
    return folder;
}

void extractCopy(const QString& archive, const QString& target, bool readOnly,
                 const Cabinet::Progress& progress)
{
    // The new copy takes the place of an earlier one, read-only or not, in
    // one step.
    Cabinet::extractEntry(archive, 0, target, progress);
    if (readOnly)
        QFile::setPermissions(target,
                              QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

} // namespace FileDocuments
