#include "ImageTransforms.h"

#include "ImageGeometry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Where one destination column (or row) samples the source: the point is
// clamped to the source, low is the pixel at or before it, fraction its
// distance from low (0 <= fraction < 1). A fraction of 0 means the point is a
// pixel, and then that pixel is also the nearest one: inside the source the
// point is an integer, and a point clamped from (-0.5, 0) or (size - 1,
// size - 0.5) rounds to the same edge pixel.
struct Sample
{
    int low;
    double fraction;
};

std::vector<Sample> samplesFor(int sourceSize, int newSize)
{
    std::vector<Sample> samples(static_cast<std::size_t>(newSize));
    const double last = sourceSize - 1;
    for (int i = 0; i < newSize; ++i) {
        const double s = std::clamp(double(sourceSize) * i / newSize - 0.5, 0.0, last);
        const double low = std::floor(s);
        samples[std::size_t(i)] = {int(low), s - low};
    }
    return samples;
}

void blend4(const std::uint8_t* p00, const std::uint8_t* p10, const std::uint8_t* p01,
            const std::uint8_t* p11, double fx, double fy, std::uint8_t* out)
{
    const double d00 = std::sqrt(fx * fx + fy * fy);
    const double d10 = std::sqrt((1 - fx) * (1 - fx) + fy * fy);
    const double d01 = std::sqrt(fx * fx + (1 - fy) * (1 - fy));
    const double d11 = std::sqrt((1 - fx) * (1 - fx) + (1 - fy) * (1 - fy));
    // Weights 1/distance, scaled so the largest is 1: equal distances then
    // give weights of exactly 1 and their mean is exact, so a half rounds to even.
    const double dMin = std::min({d00, d10, d01, d11});
    const double w00 = dMin / d00, w10 = dMin / d10, w01 = dMin / d01, w11 = dMin / d11;
    const double sum = w00 + w10 + w01 + w11;
    for (int c = 0; c < 3; ++c)
        out[c] = std::uint8_t(nearest((w00 * p00[c] + w10 * p10[c] + w01 * p01[c] + w11 * p11[c]) / sum));
}

// Two pixels at distances f and 1 - f (0 < f < 1).
void blend2(const std::uint8_t* p0, const std::uint8_t* p1, double f, std::uint8_t* out)
{
    const double dMin = std::min(f, 1 - f);
    const double w0 = dMin / f, w1 = dMin / (1 - f);
    const double sum = w0 + w1;
    for (int c = 0; c < 3; ++c)
        out[c] = std::uint8_t(nearest((w0 * p0[c] + w1 * p1[c]) / sum));
}

void resample(const Bitmap& source, Bitmap& destination)
{
    const std::vector<Sample> columns = samplesFor(source.width(), destination.width());
    const std::vector<Sample> rows = samplesFor(source.height(), destination.height());
    for (int y = 0; y < destination.height(); ++y) {
        const Sample& sy = rows[std::size_t(y)];
        std::uint8_t* out = destination.scanLine(y);
        const std::uint8_t* row0 = source.scanLine(sy.low);
        // Only read when the fraction is not 0, which leaves low at most height - 2.
        const std::uint8_t* row1 = sy.fraction != 0 ? source.scanLine(sy.low + 1) : row0;
        for (const Sample& sx : columns) {
            const std::uint8_t* p00 = row0 + 3 * sx.low;
            if (sx.fraction == 0 && sy.fraction == 0) {
                std::memcpy(out, p00, 3);
            } else {
                if (sx.fraction != 0 && sy.fraction != 0)
                    blend4(p00, p00 + 3, row1 + 3 * sx.low, row1 + 3 * sx.low + 3, sx.fraction, sy.fraction,
                           out);
                else if (sy.fraction == 0)
                    blend2(p00, p00 + 3, sx.fraction, out);
                else
                    blend2(p00, row1 + 3 * sx.low, sy.fraction, out);
            }
            out += 3;
        }
    }
}

template <int Bpp> void rotateInto(const Bitmap& source, Bitmap& destination, bool clockwise)
{
    // Tiles keep both the rows read and the rows written in the cache.
    constexpr int kTile = 64;
    const int w = source.width();
    const int h = source.height();
    for (int ty = 0; ty < w; ty += kTile) {
        const int yEnd = std::min(ty + kTile, w);
        for (int tx = 0; tx < h; tx += kTile) {
            const int xEnd = std::min(tx + kTile, h);
            for (int y = ty; y < yEnd; ++y) {
                std::uint8_t* out = destination.scanLine(y) + std::size_t(tx) * Bpp;
                for (int x = tx; x < xEnd; ++x, out += Bpp) {
                    const std::uint8_t* in = clockwise ? source.scanLine(h - 1 - x) + std::size_t(y) * Bpp
                                                       : source.scanLine(x) + std::size_t(w - 1 - y) * Bpp;
                    std::memcpy(out, in, Bpp);
                }
            }
        }
    }
}

} // namespace

void ResizeBitmap(Bitmap& bitmap, int newWidth, int newHeight)
{
    const Bitmap converted = bitmap.format() == PixelFormat::Bgr24 ? Bitmap() : toBgr24(bitmap);
    const Bitmap& source = bitmap.format() == PixelFormat::Bgr24 ? bitmap : converted;
    if (source.isEmpty() || newWidth <= 0 || newHeight <= 0) {
        bitmap = Bitmap(0, 0, PixelFormat::Bgr24);
        return;
    }
    Bitmap destination(newWidth, newHeight, PixelFormat::Bgr24);
    resample(source, destination);
    bitmap = std::move(destination);
}

void ShrinkToBox(Bitmap& target, const Bitmap& source, int boxWidth, int boxHeight)
{
    Bitmap picture = toBgr24(source);
    const FitRect fit = FitImageRect(boxWidth, boxHeight, picture.width(), picture.height(), 0);
    ResizeBitmap(picture, fit.width, fit.height);
    target = std::move(picture);
}

void RotateBitmap(Bitmap& bitmap, int angle)
{
    const bool clockwise = angle == 90;
    Bitmap rotated(bitmap.height(), bitmap.width(), bitmap.format());
    switch (bitmap.format()) {
    case PixelFormat::Gray8:
        rotateInto<1>(bitmap, rotated, clockwise);
        break;
    case PixelFormat::Bgr24:
        rotateInto<3>(bitmap, rotated, clockwise);
        break;
    case PixelFormat::Bgra32:
        rotateInto<4>(bitmap, rotated, clockwise);
        break;
    }
    bitmap = std::move(rotated);
}

Bitmap thumbnailOnWhite(const Bitmap& source, int width, int height)
{
    Bitmap picture;
    ShrinkToBox(picture, source, width, height);
    Bitmap thumbnail(width, height, PixelFormat::Bgr24);
    thumbnail.fill(0xFF);
    thumbnail.draw(picture, nearestInt((width - picture.width()) / 2.0),
                   nearestInt((height - picture.height()) / 2.0));
    return thumbnail;
}
