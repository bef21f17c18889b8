#include "JpegIO.h"

#include "ImageError.h"
#include "PictureSamples.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QSize>

namespace {

class JpegIO : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_scratch.path() + name; }

    // A JPEG made by cjpeg from the picture.
    QString cjpegFile(const Bitmap& picture, const QString& name, const QStringList& options = {})
    {
        const QString file = path(name);
        TestFolders::writeFile(
            file, PictureSamples::run(QStringLiteral("cjpeg"), options, PictureSamples::toPnm(picture)));
        return file;
    }

    static Bitmap djpeg(const QString& file, const QStringList& options = {})
    {
        return PictureSamples::fromPnm(
            PictureSamples::run(QStringLiteral("djpeg"), options + QStringList{file}));
    }

    static int maxDifference(const Bitmap& a, const Bitmap& b)
    {
        int worst = 0;
        for (int y = 0; y < a.height(); ++y)
            for (std::size_t i = 0; i < std::size_t(a.width()) * bytesPerPixel(a.format()); ++i)
                worst = std::max(worst, std::abs(a.scanLine(y)[i] - b.scanLine(y)[i]));
        return worst;
    }

    TestFolders::Scratch m_scratch;
};

} // namespace

TEST_F(JpegIO, WrittenFilesDecodeWithDjpegAsHere)
{
    const Bitmap picture = PictureSamples::photo(123, 77);
    SaveJpegFile(picture, path(QStringLiteral("out.jpg")), 100);
    const Bitmap fromDjpeg = djpeg(path(QStringLiteral("out.jpg")));
    ASSERT_EQ(fromDjpeg.width(), 123);
    ASSERT_EQ(fromDjpeg.height(), 77);
    EXPECT_LE(maxDifference(fromDjpeg, picture), 12); // quality 100 of a 4:2:0 picture

    Bitmap here;
    ASSERT_TRUE(LoadJpegFile(here, path(QStringLiteral("out.jpg")), true));
    EXPECT_TRUE(here == fromDjpeg); // the same decoder, the same pixels
}

TEST_F(JpegIO, ReadsCjpegFilesWholeAndReducedExactlyAsDjpeg)
{
    // Odd sizes: the reduced sizes round up.
    const QString file =
        cjpegFile(PictureSamples::photo(101, 57), QStringLiteral("c.jpg"), {"-quality", "90"});
    const QStringList scales = {QString(), QStringLiteral("1/2"), QStringLiteral("1/4"),
                                QStringLiteral("1/8")};
    const QSize sizes[] = {{101, 57}, {51, 29}, {26, 15}, {13, 8}};
    for (int scale = 0; scale <= 3; ++scale) {
        Bitmap here;
        ASSERT_TRUE(LoadJpegFile(here, file, true, scale));
        EXPECT_EQ(QSize(here.width(), here.height()), sizes[scale]) << scale;
        EXPECT_EQ(here.stride() % 4, 0u);
        const Bitmap peer = djpeg(file, scale ? QStringList{"-scale", scales[scale]} : QStringList{});
        EXPECT_TRUE(here == peer) << "scale " << scale;
    }
}

TEST_F(JpegIO, TheRowReaderDecodesEveryEighthExactlyAsDjpegAndPicksTheLeastThatCovers)
{
    const QString file =
        cjpegFile(PictureSamples::photo(101, 57), QStringLiteral("c.jpg"), {"-quality", "90"});
    for (int eighths = 1; eighths <= 8; ++eighths) {
        JpegReader reader(file);
        BitmapRows rows;
        reader.read(eighths, PixelFormat::Bgr24, rows);
        const Bitmap here = rows.take();
        EXPECT_EQ(here.width(), (101 * eighths + 7) / 8) << eighths;
        const Bitmap peer = djpeg(file, {"-scale", QStringLiteral("%1/8").arg(eighths)});
        EXPECT_TRUE(here == peer) << eighths << "/8";
    }
    const JpegReader reader(file);
    EXPECT_EQ(reader.eighthsFor(13, 8), 1);
    EXPECT_EQ(reader.eighthsFor(14, 8), 2);  // 13 pixels wide at 1/8: not enough
    EXPECT_EQ(reader.eighthsFor(90, 50), 8); // 89 at 7/8
    EXPECT_EQ(reader.eighthsFor(38, 22), 3);
}

TEST_F(JpegIO, GreyAndColourFollowTheAdaptFlag)
{
    const QString grey = cjpegFile(PictureSamples::photo(40, 30), QStringLiteral("g.jpg"), {"-grayscale"});
    const QString colour = cjpegFile(PictureSamples::photo(40, 30), QStringLiteral("c.jpg"));

    Bitmap adapted(1, 1, PixelFormat::Bgr24);
    ASSERT_TRUE(LoadJpegFile(adapted, grey, true));
    EXPECT_EQ(adapted.format(), PixelFormat::Gray8);
    EXPECT_TRUE(adapted == djpeg(grey));
    ASSERT_TRUE(LoadJpegFile(adapted, colour, true));
    EXPECT_EQ(adapted.format(), PixelFormat::Bgr24);

    // Without the flag the bitmap keeps its format: grey spread to colour, colour reduced to grey.
    Bitmap kept(1, 1, PixelFormat::Bgr24);
    ASSERT_TRUE(LoadJpegFile(kept, grey, false));
    ASSERT_EQ(kept.format(), PixelFormat::Bgr24);
    const Bitmap greyPixels = djpeg(grey);
    EXPECT_TRUE(kept == toBgr24(greyPixels));
    Bitmap keptGrey(1, 1, PixelFormat::Gray8);
    ASSERT_TRUE(LoadJpegFile(keptGrey, colour, false));
    EXPECT_EQ(keptGrey.format(), PixelFormat::Gray8);
    EXPECT_TRUE(keptGrey == djpeg(colour, {"-grayscale"}));

    // A 32-bit bitmap can only be read into with the flag.
    Bitmap wide(2, 2, PixelFormat::Bgra32);
    EXPECT_FALSE(LoadJpegFile(wide, colour, false));
    EXPECT_TRUE(wide.isEmpty());
    EXPECT_TRUE(LoadJpegFile(wide, colour, true));
    EXPECT_EQ(wide.format(), PixelFormat::Bgr24);
}

TEST_F(JpegIO, GreyPicturesAreWrittenAsColourFiles)
{
    const Bitmap grey = PictureSamples::photo(16, 16, PixelFormat::Gray8);
    SaveJpegFile(grey, path(QStringLiteral("g.jpg")), 100);
    Bitmap back;
    ASSERT_TRUE(LoadJpegFile(back, path(QStringLiteral("g.jpg")), true));
    EXPECT_EQ(back.format(), PixelFormat::Bgr24);
    EXPECT_LE(maxDifference(back, toBgr24(grey)), 3);
}

TEST_F(JpegIO, QualityRunsFromZeroToHundred)
{
    const Bitmap picture = PictureSamples::photo(64, 64);
    qint64 previousSize = 0;
    int previousError = 256;
    for (int quality : {0, 50, 100}) {
        const QString file = path(QStringLiteral("q%1.jpg").arg(quality));
        SaveJpegFile(picture, file, quality);
        Bitmap back;
        ASSERT_TRUE(LoadJpegFile(back, file, true)) << quality;
        const int error = maxDifference(back, picture);
        EXPECT_GT(QFileInfo(file).size(), previousSize);
        EXPECT_LT(error, previousError);
        previousSize = QFileInfo(file).size();
        previousError = error;
    }
}

TEST_F(JpegIO, TheWriterRefusesOtherFormatsAndLeavesNoFile)
{
    const QString file = path(QStringLiteral("w.jpg"));
    for (const Bitmap& refused : {PictureSamples::photo(8, 8, PixelFormat::Bgra32), Bitmap()}) {
        try {
            SaveJpegFile(refused, file, 100);
            FAIL() << "written";
        } catch (const ImageError& error) {
            EXPECT_EQ(error.text(), QStringLiteral("Error writing JPEG to file"));
        }
        EXPECT_FALSE(QFileInfo::exists(file));
    }
    // A failure leaves an earlier file as it was.
    TestFolders::writeFile(file, "earlier");
    EXPECT_THROW(SaveJpegFile(PictureSamples::photo(8, 8, PixelFormat::Bgra32), file, 100), ImageError);
    EXPECT_EQ(TestFolders::readFile(file), QByteArray("earlier"));
    EXPECT_THROW(SaveJpegFile(PictureSamples::photo(8, 8), path(QStringLiteral("no/such/folder.jpg")), 100),
                 ImageError);
}

TEST_F(JpegIO, TheWriterOnAFullDiskKeepsTheEarlierFileAndSaysWhy)
{
    const QString disk = path(QStringLiteral("disk/"));
    SmallDisk small(disk, 256 * 1024);
    if (!small.mounted())
        GTEST_SKIP() << small.whyNot().toStdString();
    const QString file = disk + QStringLiteral("Doc1.jpg");
    TestFolders::writeFile(file, "earlier");
    small.fill(8 * 1024);
    try {
        SaveJpegFile(PictureSamples::photo(400, 300), file, 100);
        FAIL() << "written on a full disk";
    } catch (const ImageError& error) {
        EXPECT_EQ(error.text(),
                  QStringLiteral("Error writing JPEG to file\rImpossible d'écrire le fichier \"%1\" : "
                                 "le disque est plein.")
                      .arg(file));
    }
    EXPECT_EQ(TestFolders::readFile(file), QByteArray("earlier"));
}

TEST_F(JpegIO, DamagedOrForeignFilesReadAsFailureWithAnEmptyBitmap)
{
    const QString good = cjpegFile(PictureSamples::photo(200, 160), QStringLiteral("good.jpg"));
    const QByteArray bytes = TestFolders::readFile(good);
    Bitmap bitmap;
    ASSERT_TRUE(LoadJpegFile(bitmap, good, true));

    // Cut anywhere in the pixels: never half a picture.
    for (qsizetype keep : {bytes.size() / 3, bytes.size() / 2, bytes.size() - 100}) {
        bitmap = PictureSamples::photo(4, 4);
        EXPECT_FALSE(decodeJpeg(bitmap, bytes.left(keep), true)) << keep;
        EXPECT_TRUE(bitmap.isEmpty());
    }
    // Garbage in the middle of the entropy-coded data.
    QByteArray damaged = bytes;
    for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        damaged[i] = char(0xFF);
    EXPECT_FALSE(decodeJpeg(bitmap, damaged, true));
    // Only the end marker missing: the picture is whole.
    EXPECT_TRUE(decodeJpeg(bitmap, bytes.left(bytes.size() - 2), true));
    // A progressive file cut between scans would decode blurred without any warning.
    const QByteArray progressive = TestFolders::readFile(
        cjpegFile(PictureSamples::photo(200, 160), QStringLiteral("p.jpg"), {"-progressive"}));
    EXPECT_TRUE(decodeJpeg(bitmap, progressive, true));
    const qsizetype lastScan = progressive.lastIndexOf("\xFF\xDA");
    ASSERT_GT(lastScan, 0);
    EXPECT_FALSE(decodeJpeg(bitmap, progressive.left(lastScan), true));

    // Arithmetic coding pads what is missing silently: not read at all.
    EXPECT_FALSE(LoadJpegFile(
        bitmap, cjpegFile(PictureSamples::photo(20, 20), QStringLiteral("a.jpg"), {"-arithmetic"}), true));

    const QString text = path(QStringLiteral("notes.jpg"));
    TestFolders::writeFile(text, "Ordonnance du 12/03 : rien de plus.\n");
    EXPECT_FALSE(LoadJpegFile(bitmap, text, true));
    EXPECT_FALSE(LoadJpegFile(bitmap, path(QStringLiteral("missing.jpg")), true));
    TestFolders::writeFile(path(QStringLiteral("empty.jpg")), QByteArray());
    EXPECT_FALSE(LoadJpegFile(bitmap, path(QStringLiteral("empty.jpg")), true));
    EXPECT_FALSE(LoadJpegFile(bitmap, good, true, 4)); // no such reduction
    EXPECT_TRUE(bitmap.isEmpty());
}

TEST_F(JpegIO, HugeDimensionsAreRefusedBeforeDecoding)
{
    const QByteArray bytes =
        TestFolders::readFile(cjpegFile(PictureSamples::photo(16, 16), QStringLiteral("s.jpg")));
    const qsizetype sof = bytes.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    // Start of frame: marker, length (2), precision (1), height (2), width (2).
    for (auto [w, h] : {std::pair{65535, 65535}, std::pair{65500, 2000}, std::pair{10001, 10000}}) {
        QByteArray huge = bytes;
        huge[sof + 5] = char(h >> 8);
        huge[sof + 6] = char(h & 0xFF);
        huge[sof + 7] = char(w >> 8);
        huge[sof + 8] = char(w & 0xFF);
        Bitmap bitmap;
        EXPECT_FALSE(decodeJpeg(bitmap, huge, true)) << w << " x " << h;
        EXPECT_FALSE(decodeJpeg(bitmap, huge, true, 3)) << "reduced " << w << " x " << h;
        try {
            JpegReader reader{QByteArrayView(huge)};
            ADD_FAILURE() << "accepted " << w << " x " << h;
        } catch (const ImageError& e) {
            EXPECT_EQ(e.text(),
                      QStringLiteral("Image trop grande : %1 x %2 pixels (au plus 100 millions de pixels, "
                                     "65500 pixels de côté).")
                          .arg(w)
                          .arg(h));
        }
    }

    // Several scans are decoded from a copy of every coefficient, two bytes a
    // sample: a progressive colour picture without subsampling is held to a third.
    const QByteArray progressive = TestFolders::readFile(cjpegFile(
        PictureSamples::photo(16, 16), QStringLiteral("p.jpg"), {"-progressive", "-sample", "1x1"}));
    const qsizetype sof2 = progressive.indexOf("\xFF\xC2");
    ASSERT_GT(sof2, 0);
    for (auto [side, accepted] : {std::pair{5790, true}, std::pair{5800, false}}) {
        QByteArray large = progressive;
        large[sof2 + 5] = large[sof2 + 7] = char(side >> 8);
        large[sof2 + 6] = large[sof2 + 8] = char(side & 0xFF);
        try {
            JpegReader reader{QByteArrayView(large)};
            EXPECT_TRUE(accepted) << side;
        } catch (const ImageError& e) {
            EXPECT_FALSE(accepted) << side;
            EXPECT_EQ(
                e.text(),
                QStringLiteral("Image JPEG progressive trop grande : %1 x %1 pixels (au plus 33 millions "
                               "de pixels pour une image progressive de ce type).")
                    .arg(side));
        }
    }
}

TEST_F(JpegIO, PicturesOfFiveThousandPixelsPass)
{
    const Bitmap picture = PictureSamples::photo(5000, 5000);
    SaveJpegFile(picture, path(QStringLiteral("big.jpg")), 75);
    Bitmap back;
    ASSERT_TRUE(LoadJpegFile(back, path(QStringLiteral("big.jpg")), true));
    EXPECT_EQ(back.width(), 5000);
    EXPECT_EQ(back.height(), 5000);
    ASSERT_TRUE(LoadJpegFile(back, path(QStringLiteral("big.jpg")), true, 3));
    EXPECT_EQ(back.width(), 625);
}
