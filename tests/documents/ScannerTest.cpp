// The scanner front end against SANE's own `test` backend, a real scanner
// backend: the source list, real scans in each pixel layout, failures,
// cancel, the device's options dialog, and a scanned picture stored.
#include "Scanner.h"

#include "BmpFormat.h"
#include "Dataset.h"
#include "ImageStore.h"
#include "JpegIO.h"
#include "Messages.h"
#include "NextModal.h"
#include "SaneDevice.h"
#include "TemplateDatabaseTest.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace {

// SANE reads its configuration folder once per process: one folder for
// every test, whose test.conf each test writes before it scans.
const QString& saneFolder()
{
    static TestFolders::Scratch folder;
    static const bool ready = [] {
        qputenv("SANE_CONFIG_DIR", folder.path().chopped(1).toLocal8Bit());
        return true;
    }();
    Q_UNUSED(ready);
    static const QString path = folder.path();
    return path;
}

// The test backend's settings: 80 x 100 mm at 50 dpi, plus the given lines.
// No device at all is no backend (the test backend cannot list zero devices).
void configure(const QByteArray& lines, int devices = 2)
{
    TestFolders::writeFile(saneFolder() + QStringLiteral("dll.conf"), devices > 0 ? "test\n" : "");
    QByteArray conf = "number_of_devices " + QByteArray::number(qMax(devices, 1)) +
                      "\nresolution 50.0\ntl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n" + lines;
    TestFolders::writeFile(saneFolder() + QStringLiteral("test.conf"), conf);
}

Bitmap scanned(const QString& file)
{
    return QFileInfo::exists(file) ? BmpFormat::readFile(file) : Bitmap();
}

bool sameColours(const Bitmap& a, const Bitmap& b)
{
    return a.width() == b.width() && a.height() == b.height() && a.format() == b.format() && a == b;
}

class ScannerTest : public ::testing::Test
{
protected:
    void SetUp() override { saneFolder(); }
    QString target() const { return m_scratch.path() + QStringLiteral("scan.bmp"); }
    TestFolders::Scratch m_scratch;
};

TEST_F(ScannerTest, SourcesAreTheInstalledDevices)
{
    configure({}, 2);
    EXPECT_EQ(Scanner::listSources(), QStringList({QStringLiteral("test:0"), QStringLiteral("test:1")}));
    EXPECT_TRUE(Scanner::isAvailable());
    configure({}, 0);
    EXPECT_TRUE(Scanner::listSources().isEmpty());
    EXPECT_FALSE(Scanner::isAvailable());

    Messages::Recorder messages;
    EXPECT_FALSE(Scanner::acquire(nullptr, QStringLiteral("test:0"), false, target()));
    EXPECT_TRUE(messages.texts().value(0).startsWith(QStringLiteral("Aucun scanner n'est installé.")));
    EXPECT_FALSE(QFileInfo::exists(target()));
}

TEST_F(ScannerTest, ColourGreyLineArtAndThreePassScansComeOutRight)
{
    Messages::Recorder messages;
    configure("mode Color\ndepth 8\ntest-picture \"Color pattern\"\n");
    // A name that is not installed scans with the first device.
    ASSERT_TRUE(Scanner::acquire(nullptr, QStringLiteral("ancien scanner"), false, target()));
    const Bitmap colour = scanned(target());
    EXPECT_EQ(colour.format(), PixelFormat::Bgr24);
    EXPECT_NEAR(colour.width(), 157, 2);
    EXPECT_NEAR(colour.height(), 196, 2);
    QSet<quint32> colours;
    for (int y = 0; y < colour.height(); y += 7)
        for (int x = 0; x < colour.width(); x += 3) {
            const std::uint8_t* p = colour.scanLine(y) + 3 * x;
            colours.insert(p[0] | p[1] << 8 | p[2] << 16);
        }
    EXPECT_GE(colours.size(), 6) << "a colour pattern, not a flat picture";

    // The same pattern in three passes (red, green, blue frames) is the same picture.
    configure("mode Color\ndepth 8\nthree-pass true\nthree-pass-order GBR\ntest-picture \"Color pattern\"\n");
    ASSERT_TRUE(Scanner::acquire(nullptr, QStringLiteral("TEST:1"), false, target()));
    EXPECT_TRUE(sameColours(scanned(target()), colour));

    // 16-bit samples keep their high byte: white stays white.
    configure("mode Gray\ndepth 16\ntest-picture \"Solid white\"\n");
    ASSERT_TRUE(Scanner::acquire(nullptr, QStringLiteral("test:0"), false, target()));
    Bitmap grey = scanned(target());
    EXPECT_EQ(grey.format(), PixelFormat::Gray8);
    EXPECT_EQ(grey.scanLine(grey.height() / 2)[grey.width() / 2], 255);

    // Line art: a set bit is black.
    configure("mode Gray\ndepth 1\ntest-picture \"Solid black\"\n");
    ASSERT_TRUE(Scanner::acquire(nullptr, QStringLiteral("test:0"), false, target()));
    grey = scanned(target());
    EXPECT_EQ(grey.scanLine(0)[0], 0);
    EXPECT_EQ(grey.scanLine(grey.height() - 1)[grey.width() - 1], 0);

    // A hand scanner does not know its height beforehand.
    configure("mode Gray\ndepth 8\nhand-scanner true\ntest-picture \"Grid\"\n");
    ASSERT_TRUE(Scanner::acquire(nullptr, QStringLiteral("test:0"), false, target()));
    EXPECT_GT(scanned(target()).height(), 0);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(ScannerTest, AFailingScannerOrACancelStoresNothing)
{
    // The device stops answering in the middle of the picture.
    configure("mode Color\ndepth 8\nread-status-code \"SANE_STATUS_IO_ERROR\"\n");
    {
        Messages::Recorder messages;
        EXPECT_FALSE(Scanner::acquire(nullptr, QStringLiteral("test:0"), false, target()));
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("interrompue")));
        EXPECT_FALSE(QFileInfo::exists(target()));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // A device name that is no longer there.
    configure({});
    try {
        Sane::Device gone(QStringLiteral("test:7"));
        ADD_FAILURE() << "opened a device that does not exist";
    } catch (const ScanError& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Impossible d'ouvrir le scanner « test:7 »")));
    }

    // Cancel from the progress window while a slow scan goes on.
    configure("mode Gray\ndepth 8\nresolution 300.0\nread-delay true\nread-delay-duration 200000\n");
    TestFolders::writeFile(target(), "earlier picture");
    Messages::Recorder messages;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, &cancel, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            // Shown or still waiting to show: a busy machine may not have shown it yet.
            if (auto* progress = qobject_cast<QProgressDialog*>(w))
                progress->cancel();
    });
    cancel.start(300);
    EXPECT_FALSE(Scanner::acquire(nullptr, QStringLiteral("test:0"), false, target()));
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.texts().first(), QStringLiteral("La numérisation a été annulée."));
    EXPECT_EQ(TestFolders::readFile(target()), QByteArray("earlier picture")) << "the file is left as it was";
}

TEST_F(ScannerTest, TheDeviceOptionsDialogChangesTheScan)
{
    configure("mode Gray\ndepth 8\ntest-picture \"Solid black\"\n");
    Messages::Recorder messages;
    bool shown = false;
    NextModal::answer<QWidget>([&](QWidget* dialog) {
        shown = dialog->objectName() == QLatin1String("ScanOptions");
        auto* mode = dialog->findChild<QComboBox*>(QStringLiteral("Opt_mode"));
        ASSERT_NE(mode, nullptr);
        mode->setCurrentIndex(mode->findData(QStringLiteral("Color")));
        emit mode->activated(mode->currentIndex());
        QApplication::processEvents(); // the options are read again
        auto* picture = dialog->findChild<QComboBox*>(QStringLiteral("Opt_test-picture"));
        ASSERT_NE(picture, nullptr);
        picture->setCurrentIndex(picture->findData(QStringLiteral("Solid white")));
        emit picture->activated(picture->currentIndex());
        QApplication::processEvents();
        dialog->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    ASSERT_TRUE(Scanner::acquire(nullptr, QStringLiteral("test:0"), true, target()));
    EXPECT_TRUE(shown);
    const Bitmap picture = scanned(target());
    EXPECT_EQ(picture.format(), PixelFormat::Bgr24);
    EXPECT_EQ(picture.scanLine(10)[30], 255);

    // Annuler in the options dialog scans nothing.
    QFile::remove(target());
    NextModal::answer<QWidget>(
        [](QWidget* dialog) { dialog->findChild<QPushButton*>(QStringLiteral("Btn_Cancel"))->click(); });
    EXPECT_FALSE(Scanner::acquire(nullptr, QStringLiteral("test:0"), true, target()));
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_TRUE(messages.messages().isEmpty());
}

class ScannedDocument : public TemplateDatabaseTest
{
};

TEST_F(ScannedDocument, AScanIsStoredAsTheDocumentsPicture)
{
    saneFolder();
    configure("mode Color\ndepth 8\ntest-picture \"Color pattern\"\n");
    const QString scan = m_scratch.path() + QStringLiteral("tmp.bmp");
    ASSERT_TRUE(Scanner::acquire(nullptr, QString(), false, scan));

    const int id = static_cast<int>(exec(
        QStringLiteral("INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, DoType, Title) VALUES (0, 3, 1, 'Scan')")));
    Dataset documents(QStringLiteral("DocumentImg"));
    documents.setSql(QStringList{QStringLiteral("SELECT * FROM DOCUMENTIMG"),
                                 QStringLiteral("WHERE DocumentImg.DoType=1 and DocumentImg.Id_Ref=3")});
    documents.open();
    ASSERT_TRUE(documents.locateId(id));
    const QString stored = m_scratch.path() + QStringLiteral("Doc%1.jpg").arg(id);
    StoreImageFile(documents, "IMGMINI", stored, scan, 90, 90, {100, 90});
    documents.close();

    Bitmap picture;
    ASSERT_TRUE(LoadJpegFile(picture, stored, true));
    EXPECT_EQ(qMax(picture.width(), picture.height()), 100) << "the scan is stored within MaxWidth";
    EXPECT_FALSE(scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(id)).isNull());
}

} // namespace
