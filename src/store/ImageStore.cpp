#include "ImageStore.h"

#include "BmpFormat.h"
#include "Dataset.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "FileUtils.h"
#include "ImageError.h"
#include "ImageGeometry.h"
#include "ImageTransforms.h"
#include "JpegIO.h"
#include "Transaction.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

bool isJpegName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toUpper();
    return suffix == QLatin1String("JPG") || suffix == QLatin1String("JPEG");
}

// Lets the windows repaint between the steps of a long operation. Input waits,
// so no other command starts in the middle of this one.
void keepPainting()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Reopens the dataset on its row and makes sure it is still that row: when
// the row was deleted meanwhile the dataset lands elsewhere, and writing
// there would put one record's picture into another's.
void reopenOnTheSameRow(Dataset& dataset)
{
    const bool hasId = dataset.fieldIndex(QStringLiteral("Id")) >= 0 && !dataset.isEmpty();
    const int id = hasId ? dataset.field(QStringLiteral("Id")).asInteger() : 0;
    DatasetUtils::reopenOnSameRow(dataset);
    if (dataset.isEmpty() || (hasId && dataset.field(QStringLiteral("Id")).asInteger() != id))
        throw DatabaseError(QStringLiteral("La fiche à laquelle l'image appartient n'existe plus."));
}

// Saves what was pending and reopens on the row, in edit.
void editTheSameRow(Dataset& dataset)
{
    DatasetUtils::saveIfEditing(dataset);
    reopenOnTheSameRow(dataset);
    DatasetUtils::editIfNeeded(dataset);
}

// Changes the row and posts it; a failing change leaves the row as it was,
// and the dataset back on it.
void changeRow(Dataset& dataset, const std::function<void()>& change)
{
    editTheSameRow(dataset);
    try {
        change();
        dataset.post();
    } catch (...) {
        if (dataset.isEditing())
            dataset.cancel();
        throw;
    }
    reopenOnTheSameRow(dataset);
}

// Puts `from` in place of `to` in one step: readers see the old file or the
// new one, never a part of either.
void replaceFile(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw FileError(QStringLiteral("Impossible de mettre l'image \"%1\" en place.").arg(to));
}

// Lets the windows repaint every so many rows of a long read.
class PaintingRows : public RowSink
{
public:
    explicit PaintingRows(RowSink& output) : m_output(output) {}
    void start(int width, int height, PixelFormat format) override { m_output.start(width, height, format); }
    void addRow(const std::uint8_t* pixels) override
    {
        m_output.addRow(pixels);
        if (++m_rows % 512 == 0)
            keepPainting();
    }

private:
    RowSink& m_output;
    int m_rows = 0;
};

void checkExists(const QString& sourceFile)
{
    if (!QFileInfo(sourceFile).isFile())
        throw FileError(QStringLiteral("Impossible de trouver le fichier \"%1\".").arg(sourceFile));
}

// The JPEG's rows for the sink, decoded by libjpeg reduced as far as the fit
// of the picture into the box allows; the errors name the file.
void readJpegFitted(JpegReader& reader, const QString& sourceFile, int boxWidth, int boxHeight, RowSink& sink)
{
    const FitRect fit = FitImageRect(boxWidth, boxHeight, reader.width(), reader.height(), 0);
    PaintingRows painting(sink);
    try {
        reader.read(reader.eighthsFor(fit.width, fit.height),
                    reader.isGrey() ? PixelFormat::Gray8 : PixelFormat::Bgr24, painting);
    } catch (const ImageError& e) {
        throw ImageError(QStringLiteral("Impossible de lire l'image \"%1\".\r%2").arg(sourceFile, e.text()));
    }
}

std::unique_ptr<JpegReader> openJpeg(const QString& sourceFile)
{
    try {
        return std::make_unique<JpegReader>(sourceFile);
    } catch (const ImageError& e) {
        throw ImageError(QStringLiteral("Impossible de lire l'image \"%1\".\r%2").arg(sourceFile, e.text()));
    }
}

void readBitmapFile(const QString& sourceFile, RowSink& sink)
{
    PaintingRows painting(sink);
    BmpFormat::readFileRows(sourceFile, painting);
}

} // namespace

void ThumbnailTarget::assign(Dataset& dataset, const Bitmap& thumbnail) const
{
    if (m_control)
        m_control(thumbnail);
    else
        dataset.field(m_field).setAsBytes(BmpFormat::encode(thumbnail));
}

ChosenPicture readPictureFile(const QString& sourceFile, int maxSide)
{
    checkExists(sourceFile);
    ChosenPicture chosen;
    BitmapRows picture;
    if (isJpegName(sourceFile)) {
        const std::unique_ptr<JpegReader> reader = openJpeg(sourceFile);
        chosen.fileWidth = reader->width();
        chosen.fileHeight = reader->height();
        FittedRows fitted(maxSide, picture, reader->width(), reader->height());
        readJpegFitted(*reader, sourceFile, maxSide, maxSide, fitted);
        chosen.picture = picture.take();
    } else {
        FittedRows fitted(maxSide, picture);
        readBitmapFile(sourceFile, fitted);
        chosen.picture = picture.take();
        chosen.fileWidth = fitted.sourceWidth();
        chosen.fileHeight = fitted.sourceHeight();
    }
    return chosen;
}

void StoreImageFile(Dataset& dataset, const ThumbnailTarget& target, const QString& destinationFile,
                    const QString& sourceFile, int thumbnailWidth, int thumbnailHeight,
                    const ImageStoreSettings& settings)
{
    editTheSameRow(dataset);
    // The new picture is written beside the stored one and takes its place
    // only with the row: a refused post keeps the old picture and the old
    // thumbnail together.
    const QString pending = destinationFile + QStringLiteral(".new");
    const QString kept = destinationFile + QStringLiteral(".old");
    bool replaced = false;
    try {
        keepPainting();
        // One pass over the source makes the stored picture and the
        // thumbnail, its rows going through as they are read.
        Bitmap thumbnail;
        checkExists(sourceFile);
        if (isJpegName(sourceFile)) {
            const std::unique_ptr<JpegReader> reader = openJpeg(sourceFile);
            FileUtils::copyFile(sourceFile, pending, true);
            keepPainting();
            ThumbnailRows rows(thumbnailWidth, thumbnailHeight, reader->width(), reader->height());
            readJpegFitted(*reader, sourceFile, thumbnailWidth, thumbnailHeight, rows);
            thumbnail = rows.take();
        } else {
            ThumbnailRows rows(thumbnailWidth, thumbnailHeight);
            JpegFileWriter stored(pending, settings.jpegQuality);
            Bgr24Rows colour(stored);
            FittedRows fitted(settings.maxWidth, colour);
            BothSinks both(rows, fitted);
            readBitmapFile(sourceFile, both);
            stored.commit();
            thumbnail = rows.take();
        }
        keepPainting();
        target.assign(dataset, thumbnail);
        keepPainting();
        Transaction transaction;
        dataset.post();
        if (QFileInfo::exists(destinationFile))
            replaceFile(destinationFile, kept);
        replaced = true;
        replaceFile(pending, destinationFile);
        transaction.commit();
    } catch (...) {
        if (dataset.isEditing())
            dataset.cancel();
        if (replaced && QFileInfo::exists(kept))
            replaceFile(kept, destinationFile);
        QFile::remove(pending);
        // The row as the database has it, after a rollback too.
        reopenOnTheSameRow(dataset);
        throw;
    }
    QFile::remove(kept);
    reopenOnTheSameRow(dataset);
}

void ClearImage(Dataset& dataset, const QString& pictureField, const QString& thumbnailField,
                const QString& storedFile)
{
    changeRow(dataset, [&] {
        dataset.field(pictureField).clear();
        dataset.field(thumbnailField).clear();
    });
    FileUtils::removeFile(storedFile);
}

QString cleanFileName(const QString& name)
{
    return FileUtils::safeFileName(name);
}
