#pragma once

#include <QList>
#include <QString>

// Where the files that rows of the records name lie beside the database:
// each person's photo, each picture document's picture, each attached
// file's archive, and the scratch files on their way there. The one place
// that spells these names: every other part of the program asks here. A
// database folder, and every folder given here, ends with '/'.
namespace StoredFiles {

// A folder of stored files and the files of it that rows name.
struct Folder
{
    QString name; // relative to the database folder, "Images/"
    QString mask; // "*.jpg"

    QString in(const QString& databaseFolder) const { return databaseFolder + name; }
};
// Images/, *.jpg: the photos and the picture documents' pictures.
const Folder& pictures();
// Files/, *.f: one cabinet a file attached to a record.
const Folder& attachedFiles();
// Both, pictures first: the order a backup archives them in.
const QList<Folder>& folders();

// A kind of row that names a file: its table, and the file of the row
// with a given Id.
struct Kind
{
    QString table;
    QString pattern; // relative to the database folder, "%1" standing for the row's Id
    bool picture;    // a JPEG of pictures(), else a cabinet of attachedFiles()

    QString relativeName(qint64 id) const { return pattern.arg(id); }
    QString path(const QString& databaseFolder, qint64 id) const { return databaseFolder + relativeName(id); }
};
// PERSON, each person's photo: Images/People<Id>.jpg.
const Kind& photos();
// DOCUMENTIMG, each picture document's picture: Images/Doc<Id>.jpg.
const Kind& documentPictures();
// DOCUMENTFILE, each attached file's archive: Files/File<Id>.f.
const Kind& attachments();
// The three, in that order.
const QList<Kind>& kinds();

QString photo(const QString& databaseFolder, qint64 personId);
QString documentPicture(const QString& databaseFolder, qint64 documentId);
QString attachedFile(const QString& databaseFolder, qint64 documentId);

// A picture that an update script names by a prefix of its own ("People",
// "Doc") and the row's Id: Images/<prefix><Id>.jpg. The caller makes sure
// the prefix leads nowhere else.
QString prefixedPicture(const QString& databaseFolder, const QString& prefix, qint64 id);

// Whether a name relative to the database folder lies in pictures().
bool isPicture(const QString& relativeName);

// The scratch files, beside the stored ones so that a rename puts them in
// place: a document's picture as its dialog leaves it, before it is stored
// (Images/tmp.bmp); the page a scanner gives (Images/Scan.bmp); an attached
// file's archive before its row has an Id (Files/File.Tmp).
QString documentPictureOnItsWay(const QString& databaseFolder);
QString scannedPage(const QString& databaseFolder);
QString attachmentOnItsWay(const QString& databaseFolder);
// The scratch picture of the program's state, which no row names:
// Images/Temp.jpg, relative to the database folder.
QString scratchPictureName();

} // namespace StoredFiles
