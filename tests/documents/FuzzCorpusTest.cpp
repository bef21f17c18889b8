// The fuzzers' seed files, and every input that once broke a reader, go
// through the readers on every test run.
#include "BmpFormat.h"
#include "ImageError.h"
#include "JpegIO.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>

namespace {

QStringList filesIn(const QString& relative)
{
    const QDir folder(QStringLiteral(BRIVOLINE_SOURCE_DIR) + QStringLiteral("tests/documents/fuzz/") +
                      relative);
    QStringList paths;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        if (name != QLatin1String("README.md"))
            paths << folder.filePath(name);
    return paths;
}

} // namespace

TEST(FuzzCorpus, EverySeedReads)
{
    const QStringList bmps = filesIn(QStringLiteral("corpus/bmp"));
    const QStringList jpegs = filesIn(QStringLiteral("corpus/jpeg"));
    ASSERT_GE(bmps.size(), 10);
    ASSERT_GE(jpegs.size(), 6);
    for (const QString& path : bmps) {
        const Bitmap bitmap = BmpFormat::readFile(path);
        EXPECT_EQ(bitmap.width(), 7) << path.toStdString();
    }
    for (const QString& path : jpegs)
        for (int scale = 0; scale <= 3; ++scale) {
            Bitmap bitmap;
            EXPECT_TRUE(LoadJpegFile(bitmap, path, true, scale)) << path.toStdString() << " scale " << scale;
        }
}

// Each of these was accepted, or cost far more than its size, before a fix;
// all are refused now, by both readers, at every scale.
TEST(FuzzCorpus, InputsThatOnceGotThroughAreRefused)
{
    const QStringList paths = filesIn(QStringLiteral("regressions"));
    ASSERT_FALSE(paths.isEmpty());
    for (const QString& path : paths) {
        const QByteArray bytes = TestFolders::readFile(path);
        EXPECT_THROW(BmpFormat::decode(bytes), ImageError) << path.toStdString();
        for (int scale = 0; scale <= 3; ++scale) {
            Bitmap bitmap;
            EXPECT_FALSE(decodeJpeg(bitmap, bytes, true, scale)) << path.toStdString();
            EXPECT_TRUE(bitmap.isEmpty());
        }
    }
}
