#include "ImageStore.h"

#include "BmpFormat.h"
#include "Dataset.h"
#include "Errors.h"
#include "ImageDocuments.h"
#include "ImageError.h"
#include "ImageTransforms.h"
#include "JpegIO.h"
#include "PictureSamples.h"
#include "TemplateDatabaseTest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

class ImageStore : public TemplateDatabaseTest
{
protected:
    void SetUp() override
    {
        TemplateDatabaseTest::SetUp();
        m_first = int(exec(QStringLiteral(
            "INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, DoType, Title) VALUES (0, 3, 1, 'Ordonnance')")));
        m_second = int(exec(QStringLiteral(
            "INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, DoType, Title) VALUES (0, 3, 1, 'Radio')")));
        m_documents.setSql(
            QStringList{QStringLiteral("SELECT * FROM DOCUMENTIMG"),
                        QStringLiteral("WHERE DocumentImg.DoType=1 and DocumentImg.Id_Ref=3")});
        m_documents.open();
        ASSERT_TRUE(m_documents.locateId(m_second));
    }
    void TearDown() override
    {
        m_documents.close();
        TemplateDatabaseTest::TearDown();
    }

    QString file(const QString& name) const { return m_scratch.path() + name; }
    QString bmpSource(const Bitmap& picture, const QString& name = QStringLiteral("tmp.bmp")) const
    {
        BmpFormat::writeFile(picture, file(name));
        return file(name);
    }
    Bitmap storedThumbnail(int id) const
    {
        return BmpFormat::decode(
            scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(id)).toByteArray());
    }
    void store(const QString& source, const ImageStoreSettings& settings = {5000, 90})
    {
        StoreImageFile(m_documents, "IMGMINI", file(QStringLiteral("Doc.jpg")), source, 90, 90, settings);
    }

    Dataset m_documents{QStringLiteral("DocumentImg")};
    int m_first = 0;
    int m_second = 0;
};

bool isWhite(const Bitmap& bitmap, int x, int y)
{
    const std::uint8_t* p = bitmap.scanLine(y) + 3 * x;
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

} // namespace

TEST_F(ImageStore, ALargeBitmapBecomesAJpegWithinMaxWidthAndAThumbnail)
{
    store(bmpSource(PictureSamples::photo(6000, 4000)));

    Bitmap stored;
    ASSERT_TRUE(LoadJpegFile(stored, file(QStringLiteral("Doc.jpg")), true));
    EXPECT_EQ(stored.width(), 5000);
    EXPECT_EQ(stored.height(), 3333);

    const Bitmap thumbnail = storedThumbnail(m_second);
    ASSERT_EQ(thumbnail.width(), 90);
    ASSERT_EQ(thumbnail.height(), 90);
    // 90 x 60 centred: white bands of 15 rows above and below.
    EXPECT_TRUE(isWhite(thumbnail, 45, 14));
    EXPECT_FALSE(isWhite(thumbnail, 0, 15));
    EXPECT_FALSE(isWhite(thumbnail, 89, 74));
    EXPECT_TRUE(isWhite(thumbnail, 45, 75));

    EXPECT_EQ(m_documents.state(), Dataset::State::Browse);
    EXPECT_EQ(m_documents.field(QStringLiteral("Id")).asInteger(), m_second);
    EXPECT_TRUE(scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(m_first)).isNull());
}

TEST_F(ImageStore, JpegSourcesAreCopiedByteForByte)
{
    const QString source = file(QStringLiteral("photo.JPEG"));
    SaveJpegFile(PictureSamples::photo(600, 400), source, 80);
    TestFolders::writeFile(file(QStringLiteral("Doc.jpg")), "an older picture");
    store(source);
    EXPECT_EQ(TestFolders::readFile(file(QStringLiteral("Doc.jpg"))), TestFolders::readFile(source));
    const Bitmap thumbnail = storedThumbnail(m_second);
    EXPECT_TRUE(isWhite(thumbnail, 45, 14));
    EXPECT_FALSE(isWhite(thumbnail, 45, 15));
}

TEST_F(ImageStore, SmallPicturesKeepTheirSizeAndSitCentredOnWhite)
{
    const Bitmap picture = PictureSamples::photo(60, 40);
    store(bmpSource(picture), {5000, 100});
    Bitmap stored;
    ASSERT_TRUE(LoadJpegFile(stored, file(QStringLiteral("Doc.jpg")), true));
    EXPECT_EQ(stored.width(), 60);
    const Bitmap thumbnail = storedThumbnail(m_second);
    EXPECT_TRUE(isWhite(thumbnail, 14, 25));
    EXPECT_TRUE(isWhite(thumbnail, 15, 24));
    EXPECT_EQ(std::memcmp(thumbnail.scanLine(25) + 3 * 15, picture.scanLine(0), 3), 0);
    EXPECT_TRUE(isWhite(thumbnail, 75, 64));
    EXPECT_TRUE(isWhite(thumbnail, 74, 65));
    EXPECT_FALSE(isWhite(thumbnail, 74, 64));
}

TEST_F(ImageStore, APendingChangeIsPostedWithThePicture)
{
    m_documents.edit();
    m_documents.field(QStringLiteral("Title")).setAsString(QStringLiteral("Radio du genou"));
    store(bmpSource(PictureSamples::photo(20, 20)));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Title FROM DOCUMENTIMG WHERE Id=%1").arg(m_second)).toString(),
              QStringLiteral("Radio du genou"));
}

TEST_F(ImageStore, APictureControlTakesTheThumbnailAndWritesItsField)
{
    Bitmap given;
    ThumbnailTarget frame([&](const Bitmap& thumbnail) {
        given = thumbnail;
        m_documents.field(QStringLiteral("ImgMini")).setAsBytes(BmpFormat::encode(thumbnail));
    });
    StoreImageFile(m_documents, frame, file(QStringLiteral("People3.jpg")),
                   bmpSource(PictureSamples::photo(300, 150)), 115, 115, {5000, 100});
    ASSERT_EQ(given.width(), 115);
    EXPECT_TRUE(isWhite(given, 57, 27)); // 115 x 58 drawn from row 28
    EXPECT_FALSE(isWhite(given, 57, 28));
    EXPECT_TRUE(storedThumbnail(m_second) == given);
}

TEST_F(ImageStore, SourcesThatAreNoPictureAreRefusedBeforeAnythingIsWritten)
{
    const QString notes = file(QStringLiteral("notes.jpg"));
    TestFolders::writeFile(notes, "Ordonnance : rien de plus.\n");
    const QByteArray cut = [&] {
        SaveJpegFile(PictureSamples::photo(300, 300), file(QStringLiteral("whole.jpg")), 90);
        QByteArray bytes = TestFolders::readFile(file(QStringLiteral("whole.jpg")));
        return bytes.left(bytes.size() / 2);
    }();
    const QString truncated = file(QStringLiteral("truncated.jpg"));
    TestFolders::writeFile(truncated, cut);
    const QString badBitmap = file(QStringLiteral("scan.bmp"));
    TestFolders::writeFile(badBitmap, "BM this is not much of a bitmap");

    for (const QString& source : {notes, truncated, badBitmap}) {
        EXPECT_THROW(store(source), ImageError) << source.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("Doc.jpg"))));
        EXPECT_EQ(m_documents.state(), Dataset::State::Browse);
        EXPECT_TRUE(
            scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(m_second)).isNull());
    }
    EXPECT_THROW(store(file(QStringLiteral("missing.bmp"))), FileError);

    // Too large: the message names the file and states the limit.
    QByteArray huge = TestFolders::readFile(file(QStringLiteral("whole.jpg")));
    const qsizetype sof = huge.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    huge[sof + 5] = huge[sof + 7] = char(12000 >> 8);
    huge[sof + 6] = huge[sof + 8] = char(12000 & 0xFF);
    TestFolders::writeFile(file(QStringLiteral("huge.jpg")), huge);
    try {
        store(file(QStringLiteral("huge.jpg")));
        ADD_FAILURE() << "a 144-megapixel picture was stored";
    } catch (const ImageError& e) {
        EXPECT_EQ(e.text(),
                  QStringLiteral("Impossible de lire l'image \"%1\".\rImage trop grande : 12000 x 12000 "
                                 "pixels (au plus 100 millions de pixels, 65500 pixels de côté).")
                      .arg(file(QStringLiteral("huge.jpg"))));
    }
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("Doc.jpg"))));
}

TEST_F(ImageStore, ARefusedPostKeepsTheOldPictureWithTheOldThumbnail)
{
    store(bmpSource(PictureSamples::photo(40, 20)));
    const QByteArray picture = TestFolders::readFile(file(QStringLiteral("Doc.jpg")));
    const Bitmap thumbnail = storedThumbnail(m_second);
    exec(QStringLiteral("CREATE TRIGGER keep BEFORE UPDATE OF ImgMini ON DOCUMENTIMG "
                        "BEGIN SELECT RAISE(ABORT, 'refusé'); END"));
    EXPECT_THROW(store(bmpSource(PictureSamples::photo(20, 40))), DatabaseError);
    EXPECT_EQ(TestFolders::readFile(file(QStringLiteral("Doc.jpg"))), picture);
    EXPECT_TRUE(storedThumbnail(m_second) == thumbnail);
    EXPECT_EQ(QDir(m_scratch.path()).entryList({QStringLiteral("Doc.jpg.*")}, QDir::Files), QStringList())
        << "nothing left beside the stored picture";
    EXPECT_EQ(m_documents.state(), Dataset::State::Browse);
    EXPECT_EQ(m_documents.field(QStringLiteral("Id")).asInteger(), m_second);
}

TEST_F(ImageStore, ARowDeletedMeanwhileGetsNoOtherRowsPicture)
{
    exec(QStringLiteral("DELETE FROM DOCUMENTIMG WHERE Id=%1").arg(m_second));
    EXPECT_THROW(store(bmpSource(PictureSamples::photo(20, 20))), DatabaseError);
    EXPECT_TRUE(scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(m_first)).isNull());
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("Doc.jpg"))));
}

TEST_F(ImageStore, ClearImageEmptiesBothFieldsAndDeletesTheFile)
{
    store(bmpSource(PictureSamples::photo(20, 20)));
    exec(QStringLiteral("UPDATE DOCUMENTIMG SET Img=x'0102' WHERE Id=%1").arg(m_second));
    ClearImage(m_documents, QStringLiteral("IMG"), QStringLiteral("IMGMINI"),
               file(QStringLiteral("Doc.jpg")));
    EXPECT_TRUE(scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(m_second)).isNull());
    EXPECT_TRUE(scalar(QStringLiteral("SELECT Img FROM DOCUMENTIMG WHERE Id=%1").arg(m_second)).isNull());
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("Doc.jpg"))));
    EXPECT_EQ(m_documents.field(QStringLiteral("Id")).asInteger(), m_second);
    // Without a stored file the fields are still cleared.
    EXPECT_NO_THROW(ClearImage(m_documents, QStringLiteral("IMG"), QStringLiteral("IMGMINI"),
                               file(QStringLiteral("Doc.jpg"))));
}

// ------------------------------------------------- memory of a large picture

// Stores the picture it is given in a process of its own, so that the peak
// memory is that of storing alone: run by StoringAnyAcceptedPictureStaysWithinItsMemory.
TEST_F(ImageStore, ChildStoresThePictureItIsGiven)
{
    const QString source = qEnvironmentVariable("BRIVOLINE_CHILD_PICTURE");
    if (source.isEmpty())
        GTEST_SKIP() << "run by StoringAnyAcceptedPictureStaysWithinItsMemory in a process of its own";
    const QString results = qEnvironmentVariable("BRIVOLINE_CHILD_RESULTS");
    const ImageStoreSettings settings{5000, 90};
    QString stored = file(QStringLiteral("Doc.jpg"));
    if (qEnvironmentVariable("BRIVOLINE_CHILD_WAY") == QLatin1String("document")) {
        // The document dialog's way: the picture read for the dialog, then saved with the row.
        const Bitmap picture = readPictureFile(source, settings.maxWidth).picture;
        m_documents.edit();
        ImageDocuments::save(m_documents, &picture, m_scratch.path(), settings);
        stored = m_scratch.path() + QStringLiteral("Images/Doc%1.jpg").arg(m_second);
    } else {
        store(source, settings);
    }
    QFile::copy(stored, results + QStringLiteral("stored.jpg"));
    TestFolders::writeFile(
        results + QStringLiteral("thumbnail.bmp"),
        scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(m_second)).toByteArray());
    // The high-water mark of this program's own memory: ru_maxrss would also
    // count the parent's pages that this process shared before it started.
    const QString status = QString::fromLatin1(TestFolders::readFile(QStringLiteral("/proc/self/status")));
    const qsizetype at = status.indexOf(QStringLiteral("VmHWM:"));
    std::printf("peak %lld\n", status.mid(at + 6).section(QLatin1Char('k'), 0, 0).trimmed().toLongLong());
}

TEST(ImageStoreMemory, StoringAnyAcceptedPictureStaysWithinItsMemory)
{
    TestFolders::Scratch scratch;
    // 64 million pixels, as a camera's JPEG and as a bitmap.
    const Bitmap picture = PictureSamples::photo(8000, 8000);
    const QString jpeg = scratch.path() + QStringLiteral("camera.jpg");
    const QString bitmap = scratch.path() + QStringLiteral("scan.bmp");
    SaveJpegFile(picture, jpeg, 90);
    BmpFormat::writeFile(picture, bitmap);
    // The largest kind of progressive file accepted: its coefficients are held whole.
    const QString progressive = scratch.path() + QStringLiteral("progressive.jpg");
    TestFolders::writeFile(
        progressive, PictureSamples::run(QStringLiteral("jpegtran"), {QStringLiteral("-progressive"), jpeg}));
    const Bitmap expectedThumbnail = thumbnailOnWhite(picture, 90, 90);

    struct Way
    {
        QString source;
        QString way;
    };
    for (const auto& [source, way] :
         {Way{jpeg, QStringLiteral("photo")}, Way{progressive, QStringLiteral("photo")},
          Way{bitmap, QStringLiteral("photo")}, Way{jpeg, QStringLiteral("document")}}) {
        SCOPED_TRACE((QFileInfo(source).fileName() + QLatin1Char(' ') + way).toStdString());
        const QString results = scratch.make(QFileInfo(source).baseName() + way);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRIVOLINE_CHILD_PICTURE"), source);
        env.insert(QStringLiteral("BRIVOLINE_CHILD_RESULTS"), results);
        env.insert(QStringLiteral("BRIVOLINE_CHILD_WAY"), way);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ImageStore.ChildStoresThePictureItIsGiven")});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        ASSERT_EQ(child.exitCode(), 0) << output.toStdString();
        const qsizetype at = output.indexOf(QStringLiteral("peak "));
        ASSERT_GE(at, 0) << output.toStdString();
        const qint64 peakMegabytes = output.mid(at + 5).section(QLatin1Char('\n'), 0, 0).toLongLong() / 1024;
        std::printf("%s by the %s way: peak %lld MB\n", qPrintable(QFileInfo(source).fileName()),
                    qPrintable(way), peakMegabytes);
        EXPECT_LT(peakMegabytes, 300);

        Bitmap stored;
        ASSERT_TRUE(LoadJpegFile(stored, results + QStringLiteral("stored.jpg"), true, 3));
        // A JPEG is copied as it is; anything else is stored within 5000 pixels.
        EXPECT_EQ(stored.width(), source != bitmap && way == QLatin1String("photo") ? 1000 : 625);
        const Bitmap thumbnail = BmpFormat::readFile(results + QStringLiteral("thumbnail.bmp"));
        ASSERT_EQ(thumbnail.width(), 90);
        ASSERT_EQ(thumbnail.height(), 90);
        double difference = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 270; ++x)
                difference += std::abs(int(thumbnail.scanLine(y)[x]) - int(expectedThumbnail.scanLine(y)[x]));
        EXPECT_LT(difference / (90 * 270), 6) << "the thumbnail shows the picture";
    }
}
