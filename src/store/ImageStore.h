#pragma once

#include "Bitmap.h"

#include <functional>
#include <QString>

class Dataset;

// How StoreImageFile re-encodes a picture that is not a JPEG file.
struct ImageStoreSettings
{
    int maxWidth = 5000;   // bound on both sides, in pixels
    int jpegQuality = 100; // 0 to 100
};

// Where StoreImageFile puts the thumbnail: a blob field of the dataset, which
// receives it as a 24-bit BMP stream, or a picture control bound to such a
// field, which writes the field itself.
class ThumbnailTarget
{
public:
    using Control = std::function<void(const Bitmap& thumbnail)>;
    ThumbnailTarget(const QString& blobField) : m_field(blobField) {}
    ThumbnailTarget(const char* blobField) : m_field(QString::fromUtf8(blobField)) {}
    ThumbnailTarget(Control control) : m_control(std::move(control)) {}

    void assign(Dataset& dataset, const Bitmap& thumbnail) const;

private:
    QString m_field;
    Control m_control;
};

// A picture file as the user may choose it: decoded as JPEG when its name
// ends in .jpg or .jpeg, else as a Windows bitmap; fitted into maxSide x
// maxSide (FitImageRect, margin 0) when larger, which is all that will be
// stored of it, without the whole picture ever being held (a JPEG is decoded
// reduced by libjpeg to no less than the fit, then resampled). Throws
// FileError for a missing file, ImageError (in French, naming the file) for
// one that is damaged, truncated, of another format or too large, the text
// then stating the limit.
struct ChosenPicture
{
    Bitmap picture;
    int fileWidth = 0; // the picture's size in the file
    int fileHeight = 0;
};
ChosenPicture readPictureFile(const QString& sourceFile, int maxSide);

// Stores a picture file for the dataset's current row, letting the windows
// repaint between its steps (the busy cursor is the caller's): posts a
// pending change and reopens the dataset on the same row, puts it in edit;
// writes the new picture beside the destination (a JPEG source copied
// byte for byte, any other picture re-encoded as JPEG within
// settings.maxWidth at settings.jpegQuality); gives the target a thumbnail of
// exactly thumbnailWidth x thumbnailHeight, the picture fitted and centred on
// white (from a JPEG decoded reduced by libjpeg to no less than the fit). The
// source is read once, row by row, so any picture the codecs accept is
// stored within a few hundred megabytes of memory. Then it posts the row and
// renames the picture into place in one transaction, and reopens on the row. A source that does not read as a
// picture, or a refused post, leaves the row and the stored picture as they
// were. Throws ImageError, FileError, DatabaseError.
void StoreImageFile(Dataset& dataset, const ThumbnailTarget& target, const QString& destinationFile,
                    const QString& sourceFile, int thumbnailWidth, int thumbnailHeight,
                    const ImageStoreSettings& settings);

// Empties the picture and thumbnail fields of the current row (posted, the
// dataset reopened on the row), then removes the stored file; a file that
// stays is reported (FileError) with the row already cleared.
void ClearImage(Dataset& dataset, const QString& pictureField, const QString& thumbnailField,
                const QString& storedFile);

// The name with each of / \ : * ? < > | and " replaced by "_".
QString cleanFileName(const QString& name);
