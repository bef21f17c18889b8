#include "Bitmap.h"

#include "ImageError.h"
#include "PictureRows.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <utility>

int bytesPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Gray8:
        return 1;
    case PixelFormat::Bgr24:
        return 3;
    case PixelFormat::Bgra32:
        return 4;
    }
    return 3;
}

bool Bitmap::sizeAllowed(std::int64_t width, std::int64_t height)
{
    return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

std::int64_t Bitmap::strideFor(std::int64_t width, PixelFormat format)
{
    return (width * bytesPerPixel(format) + 3) / 4 * 4;
}

void Bitmap::checkSize(std::int64_t width, std::int64_t height)
{
    if (width < 0 || height < 0)
        throw ImageError(QStringLiteral("Dimensions d'image incorrectes : %1 x %2.").arg(width).arg(height));
    if (!sizeAllowed(width, height))
        throw ImageError(QStringLiteral("Image trop grande : %1 x %2 pixels (au plus %3 millions de pixels, "
                                        "%4 pixels de côté).")
                             .arg(width)
                             .arg(height)
                             .arg(kMaxPixels / 1'000'000)
                             .arg(kMaxSide));
}

Bitmap::Bitmap(int width, int height, PixelFormat format) : m_format(format)
{
    checkSize(width, height);
    if (width == 0 || height == 0)
        return;
    m_width = width;
    m_height = height;
    m_stride = static_cast<std::size_t>(strideFor(width, format));
    // calloc hands out fresh zeroed pages for large pictures without writing them.
    m_data.reset(static_cast<std::uint8_t*>(std::calloc(byteCount(), 1)));
    if (!m_data)
        throw ImageError(
            QStringLiteral("Mémoire insuffisante pour une image de %1 x %2 pixels.").arg(width).arg(height));
    adviseLargePages();
}

void Bitmap::adviseLargePages()
{
#ifdef MADV_HUGEPAGE
    // A large picture is written once from end to end: in 2 MB pages it takes
    // a few dozen page faults instead of tens of thousands. Only whole pages
    // of the block can be advised.
    constexpr std::size_t kLarge = std::size_t(8) << 20;
    constexpr std::uintptr_t kPage = 4096;
    if (byteCount() < kLarge)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(m_data.get());
    const std::uintptr_t start = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t end = (begin + byteCount()) & ~(kPage - 1);
    madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#endif
}

Bitmap::Bitmap(const Bitmap& other) : Bitmap(other.m_width, other.m_height, other.m_format)
{
    if (!isEmpty())
        std::memcpy(m_data.get(), other.m_data.get(), byteCount());
}

Bitmap& Bitmap::operator=(const Bitmap& other)
{
    if (this != &other)
        *this = Bitmap(other);
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : m_width(std::exchange(other.m_width, 0)), m_height(std::exchange(other.m_height, 0)),
      m_format(other.m_format), m_stride(std::exchange(other.m_stride, 0)), m_data(std::move(other.m_data))
{
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_format = other.m_format;
    m_stride = std::exchange(other.m_stride, 0);
    m_data = std::move(other.m_data);
    return *this;
}

void Bitmap::fill(std::uint8_t value)
{
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * bytesPerPixel(m_format);
    for (int y = 0; y < m_height; ++y)
        std::memset(scanLine(y), value, rowBytes);
}

void Bitmap::draw(const Bitmap& picture, int left, int top)
{
    if (picture.m_format != m_format)
        throw ImageError(QStringLiteral("Formats d'image différents."));
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min<std::int64_t>(std::int64_t(left) + picture.m_width, m_width);
    const int y1 = std::min<std::int64_t>(std::int64_t(top) + picture.m_height, m_height);
    if (x0 >= x1 || y0 >= y1)
        return;
    const int bpp = bytesPerPixel(m_format);
    for (int y = y0; y < y1; ++y)
        std::memcpy(scanLine(y) + std::size_t(x0) * bpp,
                    picture.scanLine(y - top) + std::size_t(x0 - left) * bpp, std::size_t(x1 - x0) * bpp);
}

bool Bitmap::operator==(const Bitmap& other) const
{
    if (m_width != other.m_width || m_height != other.m_height || m_format != other.m_format)
        return false;
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * bytesPerPixel(m_format);
    for (int y = 0; y < m_height; ++y)
        if (std::memcmp(scanLine(y), other.scanLine(y), rowBytes) != 0)
            return false;
    return true;
}

Bitmap toBgr24(const Bitmap& bitmap)
{
    if (bitmap.format() == PixelFormat::Bgr24)
        return bitmap;
    Bitmap result(bitmap.width(), bitmap.height(), PixelFormat::Bgr24);
    for (int y = 0; y < bitmap.height(); ++y)
        rowToBgr24(bitmap.scanLine(y), bitmap.format(), bitmap.width(), result.scanLine(y));
    return result;
}
