#include "ImageDocuments.h"

#include "BmpFormat.h"
#include "Dataset.h"
#include "FileUtils.h"
#include "StoredFiles.h"
#include "Transaction.h"

#include <QFile>
#include <QVariant>

namespace ImageDocuments {

namespace {

// After a failure the row goes back to insert or edit with what the user
// had given it, as if Ok had not been pressed.
void backToEditing(Dataset& row, bool inserting, int id, const QList<QPair<QString, QVariant>>& values)
{
    if (row.isEditing())
        return; // the post itself was refused: nothing changed
    row.close();
    row.open();
    if (inserting) {
        row.append();
    } else {
        if (!row.locateId(id))
            return;
        row.edit();
    }
    for (const auto& [field, value] : values)
        row.field(field).setValue(value);
}

} // namespace

QString personFilter(int personId)
{
    if (personId < 0)
        return QStringLiteral("WHERE DocumentImg.Id_Ref=-1");
    return QStringLiteral("WHERE DocumentImg.DoType=1 and DocumentImg.Id_Ref=%1").arg(personId);
}

QString documentFilter(int documentId)
{
    return QStringLiteral("WHERE DocumentImg.DoType=1 and DocumentImg.Id=%1").arg(documentId);
}

void initNewRow(Dataset& row, int personId)
{
    row.field(QStringLiteral("Id_File")).setAsInteger(0);
    row.field(QStringLiteral("Id_Ref")).setAsInteger(personId);
    row.field(QStringLiteral("DoType")).setAsInteger(1);
}

void save(Dataset& row, const Bitmap* changedPicture, const QString& databaseFolder,
          const ImageStoreSettings& settings)
{
    const bool inserting = row.state() == Dataset::State::Insert;
    QList<QPair<QString, QVariant>> typed;
    for (const char* field : {"Id_File", "Id_Ref", "DoType", "Title"})
        typed.append({QString::fromLatin1(field), row.field(QString::fromLatin1(field)).value()});
    const QString scratch = StoredFiles::documentPictureOnItsWay(databaseFolder);
    int id = inserting ? -1 : row.field(QStringLiteral("Id")).asInteger();
    try {
        Transaction transaction;
        row.post();
        id = row.field(QStringLiteral("Id")).asInteger();
        if (changedPicture) {
            // Storing reopens the dataset on the row: tie it to the row's new Id.
            if (inserting) {
                row.setWhereLine(documentFilter(id));
                row.open();
            }
            FileUtils::makeFolder(StoredFiles::pictures().in(databaseFolder));
            BmpFormat::writeFile(*changedPicture, scratch);
            StoreImageFile(row, "IMGMINI", StoredFiles::documentPicture(databaseFolder, id), scratch,
                           kThumbnailSize, kThumbnailSize, settings);
        }
        transaction.commit();
    } catch (...) {
        QFile::remove(scratch);
        // A picture put in place for a row that is not kept goes too.
        if (inserting && id >= 0)
            QFile::remove(StoredFiles::documentPicture(databaseFolder, id));
        backToEditing(row, inserting, id, typed);
        throw;
    }
    QFile::remove(scratch);
}

} // namespace ImageDocuments
