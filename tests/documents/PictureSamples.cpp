#include "PictureSamples.h"

#include <gtest/gtest.h>
#include <QProcess>

namespace PictureSamples {

Bitmap photo(int width, int height, PixelFormat format)
{
    Bitmap bitmap(width, height, format);
    const int bpp = bytesPerPixel(format);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int texture = ((x * 37 + y * 91) ^ (x * y)) % 23;
            const int values[4] = {std::min(x * 230 / std::max(width - 1, 1) + texture, 255),
                                   std::min(y * 230 / std::max(height - 1, 1) + texture, 255),
                                   (x + y) * 127 / std::max(width + height, 1) + 2 * texture, 0xFF};
            for (int c = 0; c < bpp; ++c)
                row[x * bpp + c] = std::uint8_t(values[c]);
        }
    }
    return bitmap;
}

Bitmap numbered(int width, int height, PixelFormat format)
{
    Bitmap bitmap(width, height, format);
    const int bpp = bytesPerPixel(format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < bpp; ++c)
                bitmap.scanLine(y)[x * bpp + c] = std::uint8_t(x * 16 + y * 64 + c * 5 + 1);
    return bitmap;
}

QByteArray toPnm(const Bitmap& bitmap)
{
    QByteArray out = QByteArray("P6\n") + QByteArray::number(bitmap.width()) + ' ' +
                     QByteArray::number(bitmap.height()) + "\n255\n";
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            const std::uint8_t* p = bitmap.scanLine(y) + 3 * x;
            out += char(p[2]);
            out += char(p[1]);
            out += char(p[0]);
        }
    return out;
}

Bitmap fromPnm(const QByteArray& bytes)
{
    // "P5|P6 <width> <height> 255" then one whitespace and the samples.
    QList<QByteArray> fields;
    qsizetype at = 0;
    while (fields.size() < 4 && at < bytes.size()) {
        while (at < bytes.size() && QChar::isSpace(uchar(bytes[at])))
            ++at;
        const qsizetype start = at;
        while (at < bytes.size() && !QChar::isSpace(uchar(bytes[at])))
            ++at;
        fields << bytes.mid(start, at - start);
    }
    ++at;
    if (fields.size() != 4 || (fields[0] != "P5" && fields[0] != "P6")) {
        ADD_FAILURE() << "not a PNM file";
        return Bitmap();
    }
    const bool grey = fields[0] == "P5";
    Bitmap bitmap(fields[1].toInt(), fields[2].toInt(), grey ? PixelFormat::Gray8 : PixelFormat::Bgr24);
    const int bpp = grey ? 1 : 3;
    if (bytes.size() - at < qsizetype(bitmap.width()) * bitmap.height() * bpp) {
        ADD_FAILURE() << "PNM file too short";
        return Bitmap();
    }
    const auto* samples = reinterpret_cast<const std::uint8_t*>(bytes.constData() + at);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            for (int c = 0; c < bpp; ++c)
                bitmap.scanLine(y)[x * bpp + c] = samples[(y * bitmap.width() + x) * bpp + (bpp - 1 - c)];
    return bitmap;
}

QByteArray run(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        ADD_FAILURE() << program.toStdString() << " does not start";
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return process.readAllStandardOutput();
}

namespace {

void append16(QByteArray& out, std::uint32_t v)
{
    out += char(v & 0xFF);
    out += char(v >> 8 & 0xFF);
}

void append32(QByteArray& out, std::uint32_t v)
{
    append16(out, v & 0xFFFF);
    append16(out, v >> 16);
}

} // namespace

QByteArray BmpBuilder::build() const
{
    QByteArray info;
    if (headerSize == 12) {
        append32(info, 12);
        append16(info, std::uint32_t(width));
        append16(info, std::uint32_t(height));
        append16(info, 1);
        append16(info, std::uint32_t(bitsPerPixel));
    } else {
        append32(info, headerSize);
        append32(info, std::uint32_t(width));
        append32(info, std::uint32_t(height));
        append16(info, 1);
        append16(info, std::uint32_t(bitsPerPixel));
        append32(info, compression);
        append32(info, 0);
        append32(info, 2835);
        append32(info, 2835);
        append32(info, std::uint32_t(colorsUsed >= 0 ? colorsUsed : std::int64_t(palette.size())));
        append32(info, 0);
        QByteArray headerMasks;
        for (std::uint32_t mask : masks)
            append32(headerMasks, mask);
        if (headerSize > 40) {
            headerMasks.resize(qsizetype(headerSize) - 40, '\0');
            info += headerMasks;
        } else {
            info += headerMasks; // after a 40-byte header the masks follow it
        }
    }
    for (std::uint32_t colour : palette) {
        append16(info, colour & 0xFFFF);
        info += char(colour >> 16 & 0xFF);
        if (headerSize != 12)
            info += '\0';
    }
    QByteArray pixels;
    for (const QByteArray& row : rows) {
        QByteArray padded = row;
        while (padded.size() % 4)
            padded += '\0';
        pixels += padded;
    }
    const std::uint32_t offset =
        pixelOffset >= 0 ? std::uint32_t(pixelOffset) : std::uint32_t(14 + info.size());
    QByteArray out("BM");
    append32(out, std::uint32_t(14 + info.size() + pixels.size()));
    append32(out, 0);
    append32(out, offset);
    return out + info + pixels;
}

} // namespace PictureSamples
