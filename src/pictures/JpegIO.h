#pragma once

#include "Bitmap.h"
#include "FileUtils.h"
#include "PictureRows.h"

#include <memory>
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

// The encoder of SaveJpegFile as a sink of Gray8 or Bgr24 rows, each row
// compressed as it comes; its failures are SaveJpegFile's.
class JpegWriter : public RowSink
{
public:
    explicit JpegWriter(int quality);
    ~JpegWriter() override;
    void start(int width, int height, PixelFormat format) override;
    void addRow(const std::uint8_t* pixels) override;

protected:
    // After the last row.
    void finishEncoding();
    [[noreturn]] void fail();
    QString m_writeFailure; // why the output refused bytes, when it did

private:
    // False, with m_writeFailure set, when the bytes cannot be written.
    virtual bool write(const char* bytes, qint64 size) = 0;

    struct State;
    int m_quality;
    std::unique_ptr<State> m_state;
};

// Into a file that appears, complete, only with commit().
class JpegFileWriter : public JpegWriter
{
public:
    JpegFileWriter(const QString& fileName, int quality); // FileError when it cannot be created
    void commit();

private:
    bool write(const char* bytes, qint64 size) override;
    FileUtils::AtomicFile m_file;
};

// Into bytes in memory.
class JpegBytesWriter : public JpegWriter
{
public:
    using JpegWriter::JpegWriter;
    QByteArray take();

private:
    bool write(const char* bytes, qint64 size) override;
    QByteArray m_bytes;
};

// A grey or three-channel JPEG read in one pass, row by row, and reduced by
// the decoder itself when asked: the way to read a large one. A file of
// several scans (progressive) needs memory for its whole picture, so the
// largest one accepted is smaller than Bitmap::kMaxPixels.
class JpegReader
{
public:
    // Reads the header, from a file (read as decoding goes) or from bytes that
    // outlive the reader. Throws ImageError, in French, for anything this codec
    // does not read (arithmetic coding included), and for a picture larger
    // than it accepts, the text stating the limit.
    explicit JpegReader(const QString& fileName);
    explicit JpegReader(QByteArrayView bytes);
    ~JpegReader();
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    int width() const;
    int height() const;
    bool isGrey() const;
    // The smallest reduction eighths/8 (eighths from 1 to 8) that keeps at
    // least width x height pixels.
    int eighthsFor(int width, int height) const;
    // Once: decodes reduced to eighths/8 (sizes rounded up) into Gray8 or
    // Bgr24 rows for the sink. Throws ImageError when the data turns out
    // damaged or truncated anywhere, after rows may have been given.
    void read(int eighths, PixelFormat format, RowSink& sink);

private:
    [[noreturn]] void refuseHeader();
    void checkHeader();

    struct State;
    std::unique_ptr<State> m_state;
};

// Reads a grey or three-channel JPEG into the bitmap, whole (scale 0) or
// reduced to 1/2, 1/4 or 1/8 (scale 1, 2, 3; sizes rounded up). With
// adaptFormat the bitmap becomes Gray8 or Bgr24 after the file; without it
// the bitmap keeps its format, which must then be Gray8 or Bgr24. False, and
// an empty bitmap, when the file is missing, is no such JPEG (arithmetic
// coding included), is damaged or truncated anywhere in its pixels, or is
// larger than JpegReader accepts.
bool LoadJpegFile(Bitmap& bitmap, const QString& fileName, bool adaptFormat, int scale = 0);
// The same from bytes in memory.
bool decodeJpeg(Bitmap& bitmap, QByteArrayView data, bool adaptFormat, int scale = 0);
// Whether the file is a JPEG that LoadJpegFile would take on the face of its
// header (size, channels, coding, dimensions), without decoding its pixels:
// what a picture file from outside must be before it is kept.
bool jpegFileWithinLimits(const QString& fileName);
