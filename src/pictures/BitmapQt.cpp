#include "BitmapQt.h"

#include <cstring>
#include <QPainter>

namespace {
QImage::Format qImageFormat(PixelFormat format)
{
    if (format == PixelFormat::Gray8)
        return QImage::Format_Grayscale8;
    if (format == PixelFormat::Bgra32)
        return QImage::Format_ARGB32; // B, G, R, A in memory on little-endian machines
    return QImage::Format_BGR888;
}
} // namespace

QImage viewAsQImage(const Bitmap& bitmap)
{
    if (bitmap.isEmpty())
        return QImage();
    return QImage(bitmap.scanLine(0), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()),
                  qImageFormat(bitmap.format()));
}

QImage toQImage(const Bitmap& bitmap)
{
    if (bitmap.isEmpty())
        return QImage();
    QImage image(bitmap.width(), bitmap.height(), qImageFormat(bitmap.format()));
    const std::size_t rowBytes = std::size_t(bitmap.width()) * bytesPerPixel(bitmap.format());
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(image.scanLine(y), bitmap.scanLine(y), rowBytes);
    return image;
}

Bitmap fromQImage(const QImage& image)
{
    if (image.isNull())
        return Bitmap();
    QImage source;
    PixelFormat format = PixelFormat::Bgr24;
    if (image.format() == QImage::Format_Grayscale8) {
        source = image;
        format = PixelFormat::Gray8;
    } else if (image.hasAlphaChannel()) {
        source = QImage(image.size(), QImage::Format_BGR888);
        source.fill(Qt::white);
        QPainter painter(&source);
        painter.drawImage(0, 0, image);
    } else {
        source = image.convertToFormat(QImage::Format_BGR888);
    }
    Bitmap bitmap(source.width(), source.height(), format);
    const std::size_t rowBytes = std::size_t(bitmap.width()) * bytesPerPixel(format);
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(bitmap.scanLine(y), source.constScanLine(y), rowBytes);
    return bitmap;
}
