#pragma once

#include "Bitmap.h"
#include "PictureRows.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Windows bitmap (BMP) streams: the thumbnail blobs of the database and the
// bitmap files a user may choose.
namespace BmpFormat {

// Reads uncompressed and bit-field bitmaps of 1, 4, 8, 16, 24 and 32 bits,
// bottom-up or top-down, with the header of any Windows or OS/2 1.x version.
// 32-bit pictures come back as Bgra32, 8-bit grey-ramp pictures as Gray8,
// everything else as Bgr24. Throws ImageError, in French, on anything else:
// another format, a compression, a bad palette or pixel offset, a truncated
// stream, a size above Bitmap::kMaxPixels.
Bitmap decode(QByteArrayView data);
// The same for a file, read a few megabytes at a time; the error names the file.
Bitmap readFile(const QString& path);
// The same rows, top down, given to the sink as they are read: a large
// bitmap file never sits whole in memory.
void readFileRows(const QString& path, RowSink& sink);

// Bottom-up BMP stream with a 40-byte header: 24-bit, 32-bit, or 8-bit with a
// grey palette, as the bitmap's format says. Throws ImageError on an empty bitmap.
QByteArray encode(const Bitmap& bitmap);
// Writes the stream, row by row, so that the file appears only complete.
// Throws ImageError.
void writeFile(const Bitmap& bitmap, const QString& path);

} // namespace BmpFormat
