#include "PictureRows.h"

#include "ImageError.h"

#include <cstring>

void BitmapRows::start(int width, int height, PixelFormat format)
{
    m_bitmap = Bitmap(width, height, format);
    m_next = 0;
}

void BitmapRows::addRow(const std::uint8_t* pixels)
{
    if (m_next >= m_bitmap.height())
        throw ImageError(QStringLiteral("Image incorrecte : plus de lignes que sa hauteur."));
    std::memcpy(m_bitmap.scanLine(m_next++), pixels,
                std::size_t(m_bitmap.width()) * bytesPerPixel(m_bitmap.format()));
}

void BothSinks::start(int width, int height, PixelFormat format)
{
    m_first.start(width, height, format);
    m_second.start(width, height, format);
}

void BothSinks::addRow(const std::uint8_t* pixels)
{
    m_first.addRow(pixels);
    m_second.addRow(pixels);
}

void Bgr24Rows::start(int width, int height, PixelFormat format)
{
    m_format = format;
    m_width = width;
    m_row.resize(format == PixelFormat::Bgr24 ? 0 : std::size_t(width) * 3);
    m_output.start(width, height, PixelFormat::Bgr24);
}

void Bgr24Rows::addRow(const std::uint8_t* pixels)
{
    if (m_format == PixelFormat::Bgr24) {
        m_output.addRow(pixels);
        return;
    }
    rowToBgr24(pixels, m_format, m_width, m_row.data());
    m_output.addRow(m_row.data());
}

void sendRows(const Bitmap& bitmap, RowSink& sink)
{
    sink.start(bitmap.width(), bitmap.height(), bitmap.format());
    for (int y = 0; y < bitmap.height(); ++y)
        sink.addRow(bitmap.scanLine(y));
}

void rowToBgr24(const std::uint8_t* from, PixelFormat format, int width, std::uint8_t* to)
{
    switch (format) {
    case PixelFormat::Bgr24:
        std::memcpy(to, from, std::size_t(width) * 3);
        break;
    case PixelFormat::Gray8:
        for (int x = 0; x < width; ++x, to += 3)
            to[0] = to[1] = to[2] = from[x];
        break;
    case PixelFormat::Bgra32:
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
        break;
    }
}
