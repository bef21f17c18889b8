#include "BmpFormat.h"

#include "BitmapQt.h"
#include "ImageError.h"
#include "PictureSamples.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>

using PictureSamples::BmpBuilder;

namespace {

QString refusal(const QByteArray& bytes)
{
    try {
        BmpFormat::decode(bytes);
    } catch (const ImageError& error) {
        return error.text();
    }
    return QStringLiteral("(accepted)");
}

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

std::array<int, 3> bgrAt(const Bitmap& bitmap, int x, int y)
{
    const std::uint8_t* p = bitmap.scanLine(y) + x * bytesPerPixel(bitmap.format());
    return {p[0], p[1], p[2]};
}

} // namespace

TEST(BmpFormat, WrittenStreamsLoadInQImageWithTheSamePixels)
{
    for (PixelFormat format : {PixelFormat::Bgr24, PixelFormat::Gray8, PixelFormat::Bgra32}) {
        // Odd widths: every row carries padding.
        const Bitmap picture = PictureSamples::photo(13, 7, format);
        const QByteArray bytes = BmpFormat::encode(picture);
        QImage image;
        ASSERT_TRUE(image.loadFromData(bytes, "BMP")) << int(format);
        ASSERT_EQ(image.size(), QSize(13, 7));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                const std::array<int, 3> expected =
                    bgrAt(format == PixelFormat::Gray8 ? toBgr24(picture) : picture, x, y);
                const QRgb pixel = image.pixel(x, y);
                ASSERT_EQ(qBlue(pixel), expected[0]) << x << "," << y;
                ASSERT_EQ(qGreen(pixel), expected[1]);
                ASSERT_EQ(qRed(pixel), expected[2]);
            }
        // And read back here unchanged (32-bit pictures come back opaque).
        const Bitmap back = BmpFormat::decode(bytes);
        EXPECT_EQ(back.format(), format);
        if (format != PixelFormat::Bgra32)
            EXPECT_TRUE(back == picture);
        else
            EXPECT_TRUE(toBgr24(back) == toBgr24(picture));
    }
}

TEST(BmpFormat, ThumbnailStreamIsAPlain24BitFile)
{
    const QByteArray bytes = BmpFormat::encode(PictureSamples::numbered(90, 90));
    EXPECT_EQ(bytes.size(), 14 + 40 + 90 * 272); // 270 bytes of pixels + 2 of padding per row
    EXPECT_EQ(bytes[28], 24);
    EXPECT_EQ(bytes[30], 0); // BI_RGB
}

TEST(BmpFormat, ReadsWhatQImageWrites)
{
    const Bitmap picture = PictureSamples::photo(31, 17);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(toQImage(picture).save(&buffer, "BMP"));
    EXPECT_TRUE(toBgr24(BmpFormat::decode(bytes)) == picture);
}

TEST(BmpFormat, ReadsPalettedPicturesOfOneFourAndEightBits)
{
    // 5 x 2, bottom-up: the file's first row is the picture's last.
    BmpBuilder one;
    one.width = 5;
    one.bitsPerPixel = 1;
    one.palette = {0x000000, 0xFF8040};
    one.rows = {bytesOf({0b10100000}), bytesOf({0b01011000})};
    const Bitmap b1 = BmpFormat::decode(one.build());
    ASSERT_EQ(b1.format(), PixelFormat::Bgr24);
    EXPECT_EQ(bgrAt(b1, 0, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(bgrAt(b1, 1, 0), (std::array<int, 3>{0x40, 0x80, 0xFF}));
    EXPECT_EQ(bgrAt(b1, 4, 0), (std::array<int, 3>{0x40, 0x80, 0xFF}));
    EXPECT_EQ(bgrAt(b1, 0, 1), (std::array<int, 3>{0x40, 0x80, 0xFF}));
    EXPECT_EQ(bgrAt(b1, 3, 1), (std::array<int, 3>{0, 0, 0}));
    EXPECT_TRUE(toBgr24(fromQImage(QImage::fromData(one.build()))) == b1);

    BmpBuilder four;
    four.width = 3;
    four.height = 1;
    four.bitsPerPixel = 4;
    four.palette = {0x112233, 0x445566, 0x778899};
    four.rows = {bytesOf({0x21, 0x00})};
    const Bitmap b4 = BmpFormat::decode(four.build());
    EXPECT_EQ(bgrAt(b4, 0, 0), (std::array<int, 3>{0x99, 0x88, 0x77}));
    EXPECT_EQ(bgrAt(b4, 1, 0), (std::array<int, 3>{0x66, 0x55, 0x44}));
    EXPECT_EQ(bgrAt(b4, 2, 0), (std::array<int, 3>{0x33, 0x22, 0x11}));

    // An index past a short palette reads as black, never past the table.
    BmpBuilder eight;
    eight.width = 2;
    eight.height = 1;
    eight.bitsPerPixel = 8;
    eight.palette = {0x0000FF};
    eight.rows = {bytesOf({0, 200})};
    const Bitmap b8 = BmpFormat::decode(eight.build());
    EXPECT_EQ(bgrAt(b8, 0, 0), (std::array<int, 3>{0xFF, 0, 0}));
    EXPECT_EQ(bgrAt(b8, 1, 0), (std::array<int, 3>{0, 0, 0}));

    // OS/2 1.x headers carry three-byte palette entries, always the full table.
    BmpBuilder core = four;
    core.headerSize = 12;
    core.palette.resize(16);
    EXPECT_TRUE(BmpFormat::decode(core.build()) == b4);
}

TEST(BmpFormat, ReadsSixteenAndThirtyTwoBitsWithOrWithoutMasks)
{
    // 16 bits, 5-5-5 by default: full intensity stays 255.
    BmpBuilder plain16;
    plain16.width = 2;
    plain16.height = 1;
    plain16.bitsPerPixel = 16;
    plain16.rows = {bytesOf({0x00, 0x7C, 0x1F, 0x00})}; // pure red, pure blue
    const Bitmap b16 = BmpFormat::decode(plain16.build());
    EXPECT_EQ(bgrAt(b16, 0, 0), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(bgrAt(b16, 1, 0), (std::array<int, 3>{255, 0, 0}));

    // 5-6-5 bit fields after a 40-byte header, and in a V5 header.
    BmpBuilder fields565 = plain16;
    fields565.compression = 3;
    fields565.masks = {0xF800, 0x07E0, 0x001F};
    fields565.rows = {bytesOf({0xE0, 0x07, 0x10, 0x00})}; // pure green, half blue (16 of 31)
    const Bitmap b565 = BmpFormat::decode(fields565.build());
    EXPECT_EQ(bgrAt(b565, 0, 0), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(bgrAt(b565, 1, 0), (std::array<int, 3>{132, 0, 0})); // 16 * 255 / 31 rounded
    BmpBuilder v5 = fields565;
    v5.headerSize = 124;
    v5.masks = {0xF800, 0x07E0, 0x001F, 0};
    EXPECT_TRUE(BmpFormat::decode(v5.build()) == b565);

    // 32 bits with an alpha mask keep their alpha; BI_RGB ones come back opaque.
    BmpBuilder argb;
    argb.width = 1;
    argb.height = 1;
    argb.bitsPerPixel = 32;
    argb.compression = 3;
    argb.headerSize = 108;
    argb.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    argb.rows = {bytesOf({0x10, 0x20, 0x30, 0x80})};
    const Bitmap b32 = BmpFormat::decode(argb.build());
    ASSERT_EQ(b32.format(), PixelFormat::Bgra32);
    EXPECT_EQ(b32.scanLine(0)[3], 0x80);
    EXPECT_EQ(bgrAt(b32, 0, 0), (std::array<int, 3>{0x10, 0x20, 0x30}));
    BmpBuilder rgb32 = argb;
    rgb32.compression = 0;
    rgb32.headerSize = 40;
    rgb32.masks.clear();
    EXPECT_EQ(BmpFormat::decode(rgb32.build()).scanLine(0)[3], 0xFF);

    // Unusual masks (blue high, red low) are followed.
    BmpBuilder swapped = rgb32;
    swapped.compression = 3;
    swapped.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    EXPECT_EQ(bgrAt(BmpFormat::decode(swapped.build()), 0, 0), (std::array<int, 3>{0x30, 0x20, 0x10}));
}

TEST(BmpFormat, TopDownAndBottomUpGiveTheSamePicture)
{
    BmpBuilder bottomUp;
    bottomUp.width = 1;
    bottomUp.height = 3;
    bottomUp.rows = {bytesOf({3, 3, 3}), bytesOf({2, 2, 2}), bytesOf({1, 1, 1})};
    BmpBuilder topDown = bottomUp;
    topDown.height = -3;
    topDown.rows = {bytesOf({1, 1, 1}), bytesOf({2, 2, 2}), bytesOf({3, 3, 3})};
    const Bitmap a = BmpFormat::decode(bottomUp.build());
    EXPECT_EQ(a.scanLine(0)[0], 1);
    EXPECT_EQ(a.scanLine(2)[0], 3);
    EXPECT_TRUE(BmpFormat::decode(topDown.build()) == a);
}

TEST(BmpFormat, TakesALastRowWithoutItsPadding)
{
    BmpBuilder builder;
    builder.width = 1;
    builder.height = 2;
    builder.rows = {bytesOf({9, 9, 9}), bytesOf({7, 7, 7})};
    QByteArray bytes = builder.build();
    bytes.chop(1);
    EXPECT_EQ(BmpFormat::decode(bytes).scanLine(0)[0], 7);
    bytes.chop(1); // now a pixel byte is missing
    EXPECT_TRUE(refusal(bytes).contains(QStringLiteral("tronqué")));
}

TEST(BmpFormat, RefusesHostileAndUnsupportedStreams)
{
    BmpBuilder good;
    good.rows = {QByteArray(12, '\1'), QByteArray(12, '\2')};
    ASSERT_NO_THROW(BmpFormat::decode(good.build()));

    EXPECT_EQ(refusal("GIF89a...................................."),
              QStringLiteral("Ce fichier n'est pas une image bitmap (BMP)."));
    EXPECT_TRUE(refusal("BM").contains(QStringLiteral("tronqué")));
    EXPECT_TRUE(refusal(good.build().left(30)).contains(QStringLiteral("tronqué")));

    // Sizes that would take gigabytes, or overflow a byte count, are refused before any allocation.
    for (auto [w, h] : {std::pair{65535, 65535}, std::pair{0x7FFFFFFF, 0x7FFFFFFF}, std::pair{100000, 1},
                        std::pair{1, std::numeric_limits<std::int32_t>::min()}}) {
        BmpBuilder huge = good;
        huge.width = w;
        huge.height = h;
        EXPECT_TRUE(refusal(huge.build()).startsWith(QStringLiteral("Image trop grande"))) << w << " x " << h;
    }
    for (auto [w, h] : {std::pair{0, 2}, std::pair{-4, 2}, std::pair{4, 0}}) {
        BmpBuilder empty = good;
        empty.width = w;
        empty.height = h;
        EXPECT_TRUE(
            refusal(empty.build()).startsWith(QStringLiteral("Dimensions d'image bitmap incorrectes")));
    }

    // Pixel data said to start inside the header, or past the end of the file.
    for (std::int64_t offset : {0LL, 20LL, 53LL, 100000LL, 0xFFFFFFFFLL}) {
        BmpBuilder badOffset = good;
        badOffset.pixelOffset = offset;
        EXPECT_EQ(refusal(badOffset.build()),
                  QStringLiteral("Position des pixels de l'image bitmap incorrecte."))
            << offset;
    }

    // Palettes larger than the depth allows, cut short, or overlapping the pixels.
    BmpBuilder paletted;
    paletted.width = 4;
    paletted.height = 1;
    paletted.bitsPerPixel = 8;
    paletted.palette = {0, 0xFFFFFF};
    paletted.rows = {bytesOf({0, 1, 0, 1})};
    ASSERT_NO_THROW(BmpFormat::decode(paletted.build()));
    const QString badPalette = QStringLiteral("Palette de l'image bitmap incorrecte.");
    BmpBuilder tooMany = paletted;
    tooMany.colorsUsed = 257;
    EXPECT_EQ(refusal(tooMany.build()), badPalette);
    BmpBuilder overlapping = paletted;
    overlapping.pixelOffset = 14 + 40 + 4;
    EXPECT_EQ(refusal(overlapping.build()), badPalette);
    BmpBuilder claimed = paletted;
    claimed.colorsUsed = 200; // the table of 200 entries runs past the end of the file
    EXPECT_EQ(refusal(claimed.build()), badPalette);

    BmpBuilder rle = paletted;
    rle.compression = 1;
    EXPECT_EQ(refusal(rle.build()),
              QStringLiteral("Image bitmap compressée (RLE 8 bits) : format non pris en charge."));
    BmpBuilder png = good;
    png.compression = 5;
    EXPECT_TRUE(refusal(png.build()).contains(QStringLiteral("PNG")));
    BmpBuilder depth = good;
    depth.bitsPerPixel = 2;
    EXPECT_EQ(refusal(depth.build()),
              QStringLiteral("Profondeur de couleur non prise en charge : 2 bits par pixel."));
    BmpBuilder header = good;
    header.headerSize = 20;
    EXPECT_TRUE(refusal(header.build()).startsWith(QStringLiteral("En-tête d'image bitmap inconnu")));
    BmpBuilder fields24 = good;
    fields24.compression = 3;
    fields24.masks = {0xFF0000, 0xFF00, 0xFF};
    EXPECT_TRUE(refusal(fields24.build()).contains(QStringLiteral("masques")));
    BmpBuilder broken = good;
    broken.bitsPerPixel = 32;
    broken.compression = 3;
    broken.masks = {0xF0F000, 0xFF00, 0xFF}; // not one run of bits
    broken.rows = {QByteArray(16, '\1'), QByteArray(16, '\2')};
    EXPECT_EQ(refusal(broken.build()), QStringLiteral("Masques de couleur de l'image bitmap incorrects."));
}

TEST(BmpFormat, FileErrorsNameTheFile)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("photo.bmp");
    TestFolders::writeFile(path, "not a bitmap");
    try {
        BmpFormat::readFile(path);
        FAIL() << "accepted";
    } catch (const ImageError& error) {
        EXPECT_EQ(error.text(),
                  QStringLiteral("Impossible de lire l'image \"%1\".\rCe fichier n'est pas une image "
                                 "bitmap (BMP).")
                      .arg(path));
    }
    EXPECT_THROW(BmpFormat::readFile(scratch.path() + QStringLiteral("missing.bmp")), ImageError);

    const Bitmap picture = PictureSamples::numbered(5, 3);
    BmpFormat::writeFile(picture, path);
    EXPECT_TRUE(BmpFormat::readFile(path) == picture);
    EXPECT_THROW(BmpFormat::encode(Bitmap()), ImageError);
}
