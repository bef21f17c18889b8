#include "ImageTransforms.h"

#include "BitmapQt.h"
#include "ImageError.h"
#include "ImageGeometry.h"
#include "PictureSamples.h"

#include <gtest/gtest.h>

namespace {

// A one-channel-looking picture: the three bytes of each pixel are equal.
Bitmap greyish(int width, int height, std::initializer_list<int> values)
{
    Bitmap bitmap(width, height, PixelFormat::Bgr24);
    auto it = values.begin();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++it)
            for (int c = 0; c < 3; ++c)
                bitmap.scanLine(y)[3 * x + c] = std::uint8_t(*it);
    return bitmap;
}

int at(const Bitmap& bitmap, int x, int y, int channel = 0)
{
    return bitmap.scanLine(y)[x * bytesPerPixel(bitmap.format()) + channel];
}

} // namespace

TEST(Nearest, RoundsHalvesToEven)
{
    EXPECT_EQ(nearest(0.5), 0);
    EXPECT_EQ(nearest(1.5), 2);
    EXPECT_EQ(nearest(2.5), 2);
    EXPECT_EQ(nearest(-0.5), 0);
    EXPECT_EQ(nearest(-1.5), -2);
    EXPECT_EQ(nearest(2.4999), 2);
    EXPECT_EQ(nearest(1e300), 1e300);
}

TEST(FitImageRect, PicturesThatFitAreCentredAtTheirSize)
{
    EXPECT_EQ(FitImageRect(90, 90, 60, 40, 0), (FitRect{15, 25, 60, 40, false}));
    // Odd differences: the half goes to the even neighbour.
    EXPECT_EQ(FitImageRect(90, 90, 61, 41, 0), (FitRect{14, 24, 61, 41, false}));
    EXPECT_EQ(FitImageRect(90, 90, 59, 39, 0), (FitRect{16, 26, 59, 39, false}));
    EXPECT_EQ(FitImageRect(300, 300, 300, 300, 0), (FitRect{0, 0, 300, 300, false}));
    EXPECT_EQ(FitImageRect(300, 300, 290, 285, 10), (FitRect{5, 8, 290, 285, false}));
}

TEST(FitImageRect, LargerPicturesAreReducedKeepingTheirShape)
{
    // Portrait whose fit-to-height width is not larger than the box.
    EXPECT_EQ(FitImageRect(300, 300, 999, 1000, 0), (FitRect{0, 0, 300, 300, true}));
    EXPECT_EQ(FitImageRect(300, 300, 300, 600, 0), (FitRect{75, 0, 150, 300, true}));
    // Landscape: fit to width.
    EXPECT_EQ(FitImageRect(300, 300, 600, 300, 0), (FitRect{0, 75, 300, 150, true}));
    EXPECT_EQ(FitImageRect(5000, 5000, 6000, 4000, 0), (FitRect{0, 834, 5000, 3333, true}));
    EXPECT_EQ(FitImageRect(115, 115, 300, 150, 0), (FitRect{0, 28, 115, 58, true}));
    // Narrow boxes send each shape to the other fit.
    EXPECT_EQ(FitImageRect(50, 200, 100, 101, 0), (FitRect{0, 75, 50, 50, true})); // 50.5 rounds to 50
    EXPECT_EQ(FitImageRect(300, 100, 400, 200, 0),
              (FitRect{50, 0, 200, 100, true})); // landscape fit to height
    // Margins: the picture keeps half of it on the fitted side.
    EXPECT_EQ(FitImageRect(300, 300, 1000, 500, 20), (FitRect{10, 80, 280, 140, true}));
    EXPECT_EQ(FitImageRect(300, 300, 500, 1000, 21), (FitRect{80, 10, 140, 279, true}));
}

TEST(FitImageRect, SquarePictures)
{
    EXPECT_EQ(FitImageRect(300, 300, 500, 500, 10), (FitRect{5, 5, 290, 290, true}));
    // Too large in one direction only of a box that is not square: still square, in proportion.
    EXPECT_EQ(FitImageRect(300, 100, 200, 200, 0), (FitRect{100, 0, 100, 100, true}));
    EXPECT_EQ(FitImageRect(100, 300, 200, 200, 0), (FitRect{0, 100, 100, 100, true}));
    // Nothing to fit, or no room: no division by zero, no negative size.
    EXPECT_EQ(FitImageRect(90, 90, 0, 0, 0), (FitRect{45, 45, 0, 0, false}));
    EXPECT_EQ(FitImageRect(10, 10, 50, 50, 30).width, 0);
}

TEST(ResizeBitmap, SameSizeBlendsEachPixelWithItsUpperLeftNeighbours)
{
    // Values chosen so that several means end in exactly one half.
    const Bitmap source = greyish(3, 3,
                                  {10, 11, 20, //
                                   13, 16, 30, //
                                   100, 0, 255});
    Bitmap resized = source;
    ResizeBitmap(resized, 3, 3);
    const int expected[3][3] = {
        {10, 10, 16}, // (10+11)/2 = 10.5 -> 10; (11+20)/2 = 15.5 -> 16
        {12, 12, 19}, // (10+13)/2 = 11.5 -> 12; (10+11+13+16)/4 = 12.5 -> 12; (11+20+16+30)/4 = 19.25
        {56, 32, 75}, // (13+100)/2 = 56.5 -> 56; (13+16+100+0)/4 = 32.25; (16+30+0+255)/4 = 75.25
    };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(at(resized, x, y, c), expected[y][x]) << x << "," << y;
}

TEST(ResizeBitmap, UnequalDistancesWeighByTheirInverse)
{
    // 2 x 2 -> 3 x 3: the centre samples (1/6, 1/6) between the four pixels.
    const Bitmap source = greyish(2, 2, {0, 100, 200, 255});
    Bitmap resized = source;
    ResizeBitmap(resized, 3, 3);
    const double f = 2.0 / 3 - 0.5;
    const double w[4] = {1 / std::hypot(f, f), 1 / std::hypot(1 - f, f), 1 / std::hypot(f, 1 - f),
                         1 / std::hypot(1 - f, 1 - f)};
    const double mean = (w[1] * 100 + w[2] * 200 + w[3] * 255) / (w[0] + w[1] + w[2] + w[3]);
    EXPECT_EQ(at(resized, 1, 1), int(std::lround(mean)));
    EXPECT_EQ(at(resized, 0, 0), 0); // (-0.5, -0.5) is bounded to the first pixel
    // (1/6, 0): two pixels in the first row, at 1/6 and 5/6.
    EXPECT_EQ(at(resized, 1, 0), int(std::lround((6.0 * 0 + 1.2 * 100) / 7.2)));
}

TEST(ResizeBitmap, ReducesAndEnlargesWithinTheSource)
{
    const Bitmap source = greyish(4, 1, {10, 20, 30, 40});
    Bitmap half = source;
    ResizeBitmap(half, 2, 1);
    EXPECT_EQ(at(half, 0, 0), 10); // copied
    EXPECT_EQ(at(half, 1, 0), 25); // halfway between 20 and 30
    // Large factors both ways stay inside the source (sizes not multiples of each other).
    for (auto [w, h] : {std::pair{1, 1}, std::pair{997, 3}, std::pair{3, 997}, std::pair{90, 90}}) {
        Bitmap resized = PictureSamples::photo(37, 23);
        ResizeBitmap(resized, w, h);
        EXPECT_EQ(resized.width(), w);
        EXPECT_EQ(resized.height(), h);
    }
    Bitmap grey = PictureSamples::photo(7, 5, PixelFormat::Gray8);
    ResizeBitmap(grey, 7, 5);
    EXPECT_EQ(grey.format(), PixelFormat::Bgr24);
    Bitmap nothing;
    ResizeBitmap(nothing, 10, 10);
    EXPECT_TRUE(nothing.isEmpty());
}

TEST(RotateBitmap, QuarterTurnsBothWays)
{
    // a b c
    // d e f
    const Bitmap source = greyish(3, 2, {1, 2, 3, 4, 5, 6});
    Bitmap clockwise = source;
    RotateBitmap(clockwise, 90);
    ASSERT_EQ(clockwise.width(), 2);
    ASSERT_EQ(clockwise.height(), 3);
    EXPECT_TRUE(clockwise == greyish(2, 3, {4, 1, 5, 2, 6, 3})); // top row: first column read bottom-up
    Bitmap anticlockwise = source;
    RotateBitmap(anticlockwise, 270);
    EXPECT_TRUE(anticlockwise == greyish(2, 3, {3, 6, 2, 5, 1, 4}));
    Bitmap other = source;
    RotateBitmap(other, 180); // anything but 90 turns anticlockwise
    EXPECT_TRUE(other == anticlockwise);

    // Taller than one strip of rows, every format: four turns, or one each way, give the picture back.
    for (PixelFormat format : {PixelFormat::Gray8, PixelFormat::Bgr24, PixelFormat::Bgra32}) {
        const Bitmap picture = PictureSamples::photo(131, 300, format);
        Bitmap turned = picture;
        RotateBitmap(turned, 90);
        EXPECT_EQ(turned.format(), format);
        EXPECT_EQ(at(turned, 0, 0), at(picture, 0, 299));
        EXPECT_EQ(at(turned, 299, 130), at(picture, 130, 0));
        RotateBitmap(turned, 270);
        EXPECT_TRUE(turned == picture);
        for (int i = 0; i < 4; ++i)
            RotateBitmap(turned, 90);
        EXPECT_TRUE(turned == picture);
    }
}

TEST(ShrinkToBox, FitsAndAlwaysResamples)
{
    Bitmap target;
    ShrinkToBox(target, PictureSamples::photo(300, 150, PixelFormat::Gray8), 45, 45);
    EXPECT_EQ(target.format(), PixelFormat::Bgr24);
    EXPECT_EQ(target.width(), 45);
    EXPECT_EQ(target.height(), 22); // 22.5 rounds to even
}

TEST(ThumbnailOnWhite, SmallPictureIsCentredUnscaledOnWhite)
{
    const Bitmap picture = PictureSamples::photo(60, 40);
    const Bitmap thumbnail = thumbnailOnWhite(picture, 90, 90);
    ASSERT_EQ(thumbnail.width(), 90);
    ASSERT_EQ(thumbnail.height(), 90);
    Bitmap resampled = picture;
    ResizeBitmap(resampled, 60, 40);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 90; ++x) {
            const bool inside = x >= 15 && x < 75 && y >= 25 && y < 65;
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(at(thumbnail, x, y, c), inside ? at(resampled, x - 15, y - 25, c) : 255)
                    << x << "," << y;
        }
    EXPECT_EQ(at(thumbnail, 15, 25), at(picture, 0, 0)); // the top-left pixel is copied

    const Bitmap white = thumbnailOnWhite(Bitmap(), 90, 90);
    EXPECT_EQ(at(white, 0, 0), 255);
    EXPECT_EQ(at(white, 89, 89, 2), 255);
}

TEST(Bitmap, RowsArePaddedToFourBytesAndCopiesAreDeep)
{
    const Bitmap a(5, 2, PixelFormat::Bgr24);
    EXPECT_EQ(a.stride(), 16u);
    EXPECT_EQ(Bitmap(5, 2, PixelFormat::Gray8).stride(), 8u);
    EXPECT_EQ(Bitmap(5, 2, PixelFormat::Bgra32).stride(), 20u);
    Bitmap original = PictureSamples::numbered(5, 2);
    Bitmap copy = original;
    copy.scanLine(1)[0] = 0;
    EXPECT_NE(original.scanLine(1)[0], 0);
    EXPECT_THROW(Bitmap(65535, 65535), ImageError);
    EXPECT_THROW(Bitmap(10001, 10000), ImageError);
    EXPECT_NO_THROW(Bitmap(10000, 10000, PixelFormat::Gray8));
}

TEST(Bitmap, DrawClipsToTheBitmap)
{
    Bitmap canvas(4, 4);
    canvas.fill(0xFF);
    canvas.draw(greyish(2, 2, {1, 2, 3, 4}), 3, -1);
    EXPECT_EQ(at(canvas, 3, 0), 3);
    EXPECT_EQ(at(canvas, 2, 0), 255);
    EXPECT_EQ(at(canvas, 3, 1), 255);
    canvas.draw(greyish(2, 2, {1, 2, 3, 4}), 100, 100);
    EXPECT_THROW(canvas.draw(Bitmap(1, 1, PixelFormat::Gray8), 0, 0), ImageError);
}

TEST(BitmapQt, HandsPicturesToAndFromQImage)
{
    for (PixelFormat format : {PixelFormat::Gray8, PixelFormat::Bgr24}) {
        const Bitmap picture = PictureSamples::photo(9, 5, format);
        EXPECT_TRUE(fromQImage(toQImage(picture)) == picture);
    }
    QImage translucent(2, 1, QImage::Format_ARGB32);
    translucent.setPixel(0, 0, qRgba(0, 0, 0, 0));
    translucent.setPixel(1, 0, qRgba(255, 0, 0, 255));
    const Bitmap laid = fromQImage(translucent);
    EXPECT_EQ(at(laid, 0, 0), 255); // transparent on white
    EXPECT_EQ(at(laid, 1, 0, 2), 255);
    EXPECT_EQ(at(laid, 1, 0, 0), 0);
}
