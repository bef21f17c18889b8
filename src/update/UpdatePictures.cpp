// The picture actions of the update engine: pictures kept in rows by older
// versions moved out into files, resized or re-encoded in place.
#include "Bitmap.h"
#include "BmpFormat.h"
#include "Errors.h"
#include "FileUtils.h"
#include "ImageError.h"
#include "ImageGeometry.h"
#include "ImageTransforms.h"
#include "JpegIO.h"
#include "StoredFiles.h"
#include "UpdateActions.h"
#include "UpdateCatalog.h"
#include "UpdateLog.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace PictureActions {
namespace {

using UpdateCatalog::quoted;

// Adds the time spent in its scope to one of the counters.
class Timed
{
public:
    explicit Timed(qint64& counter) : m_counter(counter) { m_timer.start(); }
    ~Timed() { m_counter += m_timer.nsecsElapsed(); }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    qint64& m_counter;
    QElapsedTimer m_timer;
};

// The engine here zeroes every page it frees. Taking pictures out of their
// rows frees most of the file, and zeroing would write it all a second time
// (and its journal a third) for bytes that live on in the picture files: for
// the time of an action, freed pages are only cleared where that costs no
// more writing. The compaction that ends an update script drops them.
class LightDeletion
{
public:
    explicit LightDeletion(const QSqlDatabase& db) : m_db(db)
    {
        QSqlQuery q(m_db);
        if (q.exec(QStringLiteral("PRAGMA secure_delete")) && q.next())
            m_previous = q.value(0).toInt();
        q.exec(QStringLiteral("PRAGMA secure_delete=FAST"));
    }
    ~LightDeletion()
    {
        if (m_previous >= 0)
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA secure_delete=%1").arg(m_previous));
    }
    LightDeletion(const LightDeletion&) = delete;
    LightDeletion& operator=(const LightDeletion&) = delete;

private:
    QSqlDatabase m_db;
    int m_previous = -1;
};

// One row being worked on: its picture, and what to store back.
struct PictureRow
{
    qint64 id = 0;
    QByteArray bytes;
    std::optional<QByteArray> replacement; // an empty array clears the field
};

bool isJpeg(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF");
}

Bitmap readBitmap(ActionContext& context, const PictureRow& row)
{
    Timed timed(context.times.decodeNs);
    try {
        Bitmap picture = BmpFormat::decode(row.bytes);
        return picture.format() == PixelFormat::Bgr24 ? picture : toBgr24(picture);
    } catch (const ImageError& e) {
        throw ImageError(
            QStringLiteral("L'image de la ligne %1 n'a pas été traitée : %2").arg(row.id).arg(e.text()));
    }
}

QByteArray jpegOf(ActionContext& context, const Bitmap& picture)
{
    Timed timed(context.times.encodeNs);
    return encodeJpeg(picture, 100);
}

// Written beside its name and renamed into place, so the name only ever
// holds a whole picture. Not forced to the disk one by one: the action forces
// them all at once before the rows are committed (syncImages), and a file
// that a crash left incomplete does not read as a JPEG, so the next run
// writes it again.
void writePictureFile(ActionContext& context, const QString& path, const QByteArray& bytes)
{
    Timed timed(context.times.filesNs);
    const QString partial = path + QStringLiteral(".part");
    QFile file(partial);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written ||
        std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(partial);
        throw FileError(QStringLiteral("Impossible d'écrire l'image \"%1\".").arg(path));
    }
}

// True when the file holds a whole, readable JPEG: one left by an earlier
// run that was cut short is then taken as it is.
bool readableJpegFile(ActionContext& context, const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    Timed timed(context.times.decodeNs);
    Bitmap check;
    return LoadJpegFile(check, path, true, 3);
}

// Goes through the rows of table whose field holds something, one at a time:
// `work` logs the row, reads its picture and says what to store back.
QString forEachPicture(ActionContext& context, const QString& tableArgument, const QString& fieldArgument,
                       const QString& noRowEntry, const std::function<void(PictureRow&)>& work)
{
    QSqlDatabase db = context.database();
    const QString table = UpdateCatalog::tableName(db, tableArgument);
    if (table.isEmpty())
        throw DatabaseError(QStringLiteral("La table « %1 » n'existe pas dans la base.").arg(tableArgument));
    const auto columns = UpdateCatalog::columns(db, table);
    const UpdateCatalog::Column* column = UpdateCatalog::find(columns, fieldArgument);
    if (!column)
        throw DatabaseError(
            QStringLiteral("La colonne « %1 » n'existe pas dans la table « %2 ».").arg(fieldArgument, table));
    if (!UpdateCatalog::find(columns, QStringLiteral("Id")))
        throw DatabaseError(QStringLiteral("La table « %1 » n'a pas de colonne Id.").arg(table));
    const QString field = quoted(column->name);

    QList<qint64> ids;
    {
        Timed timed(context.times.databaseNs);
        QSqlQuery rows(db);
        rows.setForwardOnly(true);
        if (!rows.exec(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table))) || !rows.next())
            throw DatabaseError(UpdateCatalog::errorText(rows));
        if (rows.value(0).toLongLong() == 0) {
            context.log.write(noRowEntry);
            return {};
        }
        // length() reads the size alone, not the pictures.
        if (!rows.exec(QStringLiteral("SELECT Id FROM %1 WHERE %2 IS NOT NULL AND length(%2) > 0 ORDER BY Id")
                           .arg(quoted(table), field)))
            throw DatabaseError(UpdateCatalog::errorText(rows));
        while (rows.next())
            ids << rows.value(0).toLongLong();
    }

    const LightDeletion deletion(db);
    QSqlQuery read(db);
    read.setForwardOnly(true);
    read.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE Id = ?").arg(field, quoted(table)));
    QSqlQuery write(db);
    write.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE Id = ?").arg(quoted(table), field));

    QStringList failures;
    for (const qint64 id : ids) {
        PictureRow row;
        row.id = id;
        {
            Timed timed(context.times.databaseNs);
            read.bindValue(0, id);
            if (!read.exec())
                throw DatabaseError(UpdateCatalog::errorText(read));
            if (!read.next())
                continue; // gone meanwhile
            row.bytes = read.value(0).toByteArray();
            read.finish();
        }
        try {
            work(row);
            ++context.times.pictures;
        } catch (const AppError& e) {
            context.log.write(e.text());
            failures << e.text();
            continue;
        }
        if (row.replacement) {
            Timed timed(context.times.databaseNs);
            write.bindValue(0, row.replacement->isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray))
                                                          : QVariant(*row.replacement));
            write.bindValue(1, id);
            if (!write.exec())
                throw DatabaseError(UpdateCatalog::errorText(write));
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (failures.isEmpty()) {
        context.log.write(QString());
        return {};
    }
    const QString summary =
        QStringLiteral("%1 image(s) sur %2 n'ont pas pu être traitées et sont restées telles "
                       "quelles dans la base")
            .arg(failures.size())
            .arg(ids.size());
    context.log.write(summary);
    return summary;
}

// A picture file of the database folder, named by the prefix and the Id.
// The prefix comes from a script and must not lead out of the folder.
QString pictureFile(const ActionContext& context, const QString& prefix, qint64 id)
{
    if (prefix.contains(QLatin1Char('/')) || prefix.contains(QLatin1Char('\\')) ||
        prefix.contains(QLatin1String("..")))
        throw DatabaseError(
            QStringLiteral("Le préfixe « %1 » ne peut pas servir de nom de fichier.").arg(prefix));
    return StoredFiles::prefixedPicture(context.databaseFolder, prefix, id);
}

void makeImagesFolder(const ActionContext& context)
{
    const QString folder = StoredFiles::pictures().in(context.databaseFolder);
    if (!QDir().mkpath(folder))
        throw FileError(QStringLiteral("Impossible de créer le dossier \"%1\".").arg(folder));
}

// The files must be on the disk before the rows that no longer hold their
// pictures are committed.
void syncImages(ActionContext& context)
{
    Timed timed(context.times.filesNs);
    FileUtils::syncFileSystem(StoredFiles::pictures().in(context.databaseFolder));
}

} // namespace

QString extractImageToJpeg(ActionContext& context, const QString& table, const QString& field,
                           const QString& prefix, bool keepPicture)
{
    pictureFile(context, prefix, 0); // refuses a bad prefix before any row
    context.log.write(QStringLiteral("OPTIMISATION:Extraction des images au format jpeg de la table ") +
                      table);
    makeImagesFolder(context);
    const QString failed = forEachPicture(
        context, table, field, QStringLiteral("Pas d'images dans la base"), [&](PictureRow& row) {
            const QString path = pictureFile(context, prefix, row.id);
            context.log.write(QStringLiteral("Conversion de l'image : ") + path);
            // An earlier run cut short may have written the file already.
            if (!readableJpegFile(context, path))
                writePictureFile(context, path, jpegOf(context, readBitmap(context, row)));
            if (!keepPicture)
                row.replacement = QByteArray();
        });
    syncImages(context);
    return failed;
}

QString extractJpegImage(ActionContext& context, const QString& table, const QString& field,
                         const QString& prefix)
{
    pictureFile(context, prefix, 0); // refuses a bad prefix before any row
    context.log.write(QStringLiteral("OPTIMISATION:Extraction des images jpeg de la table ") + table);
    makeImagesFolder(context);
    const QString failed = forEachPicture(
        context, table, field, QStringLiteral("Pas d'images dans la base"), [&](PictureRow& row) {
            const QString path = pictureFile(context, prefix, row.id);
            context.log.write(QStringLiteral("Extraction de l'image : ") + path);
            writePictureFile(context, path, row.bytes);
            row.replacement = QByteArray();
        });
    syncImages(context);
    return failed;
}

QString resizeBitmap(ActionContext& context, const QString& table, const QString& field, int width,
                     int height, bool onWhite)
{
    if (width < 1 || height < 1 || !Bitmap::sizeAllowed(width, height))
        throw DatabaseError(
            QStringLiteral("La taille %1 × %2 ne convient pas à une image.").arg(width).arg(height));
    context.log.write(QStringLiteral("OPTIMISATION:Redimensionne les images Bitmap de la table ") + table);
    return forEachPicture(
        context, table, field, QStringLiteral("Pas d'images dans la table"), [&](PictureRow& row) {
            context.log.write(QStringLiteral("Redimensionnement de l'image : %1.jpg").arg(row.id));
            Bitmap picture = readBitmap(context, row);
            Timed timed(context.times.encodeNs);
            const FitRect fit = FitImageRect(width, height, picture.width(), picture.height(), 0);
            // A picture already of its size is kept as it is: resampling to the
            // same size would blur it, and a second run would blur it again.
            if (fit.width != picture.width() || fit.height != picture.height())
                ResizeBitmap(picture, fit.width, fit.height);
            if (onWhite) {
                Bitmap framed(width, height);
                framed.fill(0xFF);
                framed.draw(picture, nearestInt((width - picture.width()) / 2.0),
                            nearestInt((height - picture.height()) / 2.0));
                picture = std::move(framed);
            }
            row.replacement = BmpFormat::encode(picture);
        });
}

QString convertBitmapToJpeg(ActionContext& context, const QString& table, const QString& field)
{
    context.log.write(QStringLiteral("OPTIMISATION:Conversion des images Bitmap en Jpeg de la table ") +
                      table);
    return forEachPicture(context, table, field, QStringLiteral("Pas d'images dans la table"),
                          [&](PictureRow& row) {
                              context.log.write(QStringLiteral("Conversion de l'image : %1.jpg").arg(row.id));
                              // Converted by an earlier run.
                              if (isJpeg(row.bytes))
                                  return;
                              row.replacement = jpegOf(context, readBitmap(context, row));
                          });
}

} // namespace PictureActions
