#pragma once

#include "Bitmap.h"

#include <QByteArrayView>
#include <QString>

// The largest JPEG file the codec reads.
inline constexpr qint64 kMaxJpegFileSize = qint64(1) << 30;

// The text of every failure of SaveJpegFile.
QString jpegWriteErrorText();

// Writes an 8-bit grey or 24-bit picture as a three-channel (YCbCr) JPEG of the
// given quality, 0 to 100. The file is replaced only once complete: any
// failure, another pixel format or an empty picture included, leaves what was
// there and throws ImageError with jpegWriteErrorText(), followed on a second
// line by the reason when the file itself could not be written.
void SaveJpegFile(const Bitmap& bitmap, const QString& fileName, int quality);
// The same JPEG as bytes in memory, for a picture stored in a row.
QByteArray encodeJpeg(const Bitmap& bitmap, int quality);

// Reads a grey or three-channel JPEG into the bitmap, whole (scale 0) or
// reduced to 1/2, 1/4 or 1/8 (scale 1, 2, 3; sizes rounded up). With
// adaptFormat the bitmap becomes Gray8 or Bgr24 after the file; without it
// the bitmap keeps its format, which must then be Gray8 or Bgr24. False, and
// an empty bitmap, when the file is missing, is no such JPEG (arithmetic
// coding included), is damaged or truncated anywhere in its pixels, or is
// larger than Bitmap::kMaxPixels.
bool LoadJpegFile(Bitmap& bitmap, const QString& fileName, bool adaptFormat, int scale = 0);
// The same from bytes in memory.
bool decodeJpeg(Bitmap& bitmap, QByteArrayView data, bool adaptFormat, int scale = 0);
// Whether the file is a JPEG that LoadJpegFile would take on the face of its
// header (size, channels, coding, dimensions), without decoding its pixels:
// what a picture file from outside must be before it is kept.
bool jpegFileWithinLimits(const QString& fileName);
