#include "StoredFiles.h"

namespace StoredFiles {

namespace {

// A picture's name under the database folder, from its prefix and its Id
// (or "%1" for a pattern).
QString pictureName(const QString& prefix, const QString& id)
{
    return pictures().name + prefix + id + QStringLiteral(".jpg");
}

} // namespace

const Folder& pictures()
{
    static const Folder folder{QStringLiteral("Images/"), QStringLiteral("*.jpg")};
    return folder;
}

const Folder& attachedFiles()
{
    static const Folder folder{QStringLiteral("Files/"), QStringLiteral("*.f")};
    return folder;
}

const QList<Folder>& folders()
{
    static const QList<Folder> all{pictures(), attachedFiles()};
    return all;
}

const Kind& photos()
{
    static const Kind kind{QStringLiteral("PERSON"),
                           pictureName(QStringLiteral("People"), QStringLiteral("%1")), true};
    return kind;
}

const Kind& documentPictures()
{
    static const Kind kind{QStringLiteral("DOCUMENTIMG"),
                           pictureName(QStringLiteral("Doc"), QStringLiteral("%1")), true};
    return kind;
}

const Kind& attachments()
{
    static const Kind kind{QStringLiteral("DOCUMENTFILE"), attachedFiles().name + QStringLiteral("File%1.f"),
                           false};
    return kind;
}

const QList<Kind>& kinds()
{
    static const QList<Kind> all{photos(), documentPictures(), attachments()};
    return all;
}

QString photo(const QString& databaseFolder, qint64 personId)
{
    return photos().path(databaseFolder, personId);
}

QString documentPicture(const QString& databaseFolder, qint64 documentId)
{
    return documentPictures().path(databaseFolder, documentId);
}

QString attachedFile(const QString& databaseFolder, qint64 documentId)
{
    return attachments().path(databaseFolder, documentId);
}

QString prefixedPicture(const QString& databaseFolder, const QString& prefix, qint64 id)
{
    return databaseFolder + pictureName(prefix, QString::number(id));
}

bool isPicture(const QString& relativeName)
{
    return relativeName.startsWith(pictures().name);
}

QString documentPictureOnItsWay(const QString& databaseFolder)
{
    return pictures().in(databaseFolder) + QStringLiteral("tmp.bmp");
}

QString scannedPage(const QString& databaseFolder)
{
    return pictures().in(databaseFolder) + QStringLiteral("Scan.bmp");
}

QString attachmentOnItsWay(const QString& databaseFolder)
{
    return attachedFiles().in(databaseFolder) + QStringLiteral("File.Tmp");
}

QString scratchPictureName()
{
    return pictures().name + QStringLiteral("Temp.jpg");
}

} // namespace StoredFiles
