#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// Pictures and files shared by the picture tests.
namespace PictureSamples {

// Smooth gradients with a fine texture: compresses like a photo, and every
// pixel differs from its neighbours.
Bitmap photo(int width, int height, PixelFormat format = PixelFormat::Bgr24);
// Each pixel byte given by its position (deterministic, distinct).
Bitmap numbered(int width, int height, PixelFormat format = PixelFormat::Bgr24);

// Binary PPM (P6) of a 24-bit picture, and a reader for the P5/P6 files djpeg writes.
QByteArray toPnm(const Bitmap& bitmap);
Bitmap fromPnm(const QByteArray& bytes);

// Runs a command-line tool; its standard output, empty and a test failure when it fails.
QByteArray run(const QString& program, const QStringList& arguments, const QByteArray& input = {});

// A BMP stream put together field by field, so tests can break any of them.
struct BmpBuilder
{
    std::int32_t width = 4;
    std::int32_t height = 2; // negative: top-down
    int bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::int64_t colorsUsed = -1;       // -1: the palette's size
    std::vector<std::uint32_t> palette; // 0x00RRGGBB
    std::vector<std::uint32_t> masks;   // red, green, blue (and alpha), when given
    std::vector<QByteArray> rows;       // as stored, file order, padding added
    std::int64_t pixelOffset = -1;      // -1: right after header, masks and palette

    QByteArray build() const;
};

} // namespace PictureSamples
