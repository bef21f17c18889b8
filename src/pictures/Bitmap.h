#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// How the bytes of one pixel are laid out. Colour pixels are blue, green, red
// (and a fourth byte for Bgra32), as in the Windows bitmap format.
enum class PixelFormat
{
    Gray8,
    Bgr24,
    Bgra32
};

int bytesPerPixel(PixelFormat format);

// A picture in memory: rows top-down, each filled up to a multiple of four
// bytes, addressed through row pointers. Copies are deep.
class Bitmap
{
public:
    // Decoders refuse anything larger before they allocate: 100 million pixels
    // (four times a 5000 x 5000 picture, 300 MB at 24 bits) bound the memory a
    // hostile header can make the program take. No side may exceed the JPEG
    // format's own limit.
    static constexpr std::int64_t kMaxPixels = 100'000'000;
    static constexpr std::int64_t kMaxSide = 65500;
    static bool sizeAllowed(std::int64_t width, std::int64_t height);
    // Throws ImageError naming the size when sizeAllowed refuses it.
    static void checkSize(std::int64_t width, std::int64_t height);
    static std::int64_t strideFor(std::int64_t width, PixelFormat format);

    Bitmap() = default;
    // Every byte zero (black). Throws ImageError when the size is refused.
    Bitmap(int width, int height, PixelFormat format = PixelFormat::Bgr24);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap() = default;

    int width() const { return m_width; }
    int height() const { return m_height; }
    PixelFormat format() const { return m_format; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }
    std::size_t stride() const { return m_stride; }
    std::size_t byteCount() const { return m_stride * static_cast<std::size_t>(m_height); }

    std::uint8_t* scanLine(int y) { return m_data.get() + m_stride * static_cast<std::size_t>(y); }
    const std::uint8_t* scanLine(int y) const
    {
        return m_data.get() + m_stride * static_cast<std::size_t>(y);
    }

    // Sets every byte of every pixel (0xFF gives white), padding left alone.
    void fill(std::uint8_t value);
    // Copies the picture with its top-left corner at (left, top), clipped to
    // this bitmap. Both must have the same pixel format.
    void draw(const Bitmap& picture, int left, int top);

    bool operator==(const Bitmap& other) const;

private:
    void adviseLargePages();

    struct FreeBytes
    {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };

    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = PixelFormat::Bgr24;
    std::size_t m_stride = 0;
    std::unique_ptr<std::uint8_t[], FreeBytes> m_data;
};

// The same picture as 24-bit colour: grey is spread over the three colour
// bytes, the fourth byte of 32-bit pixels is dropped.
Bitmap toBgr24(const Bitmap& bitmap);
