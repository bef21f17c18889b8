// The picture viewers on real stored JPEG files: where the picture goes,
// paging and its buttons, the missing-file messages, and printing one page
// per picture into a real PDF.
#include "BitmapQt.h"
#include "Connection.h"
#include "HouseholdFixture.h"
#include "JpegIO.h"
#include "Messages.h"
#include "PictureCanvas.h"
#include "PictureLayout.h"
#include "PrintDialogs.h"
#include "ProgramPrinter.h"
#include "ReportCommands.h"
#include "TPreviewImage.h"
#include "TViewImage.h"

#include <gtest/gtest.h>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>

namespace {

using Zoom = PictureLayout::Zoom;

void writeJpeg(const QString& path, QColor colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    SaveJpegFile(fromQImage(image), path, 95);
}

QString tool(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The colour in the middle of each page of a PDF, and whether it lies wide.
struct PdfPage
{
    QColor middle;
    bool landscape;
};
std::vector<PdfPage> pdfPages(const QString& pdf, const QString& scratch)
{
    std::vector<PdfPage> pages;
    const QString info = tool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                          QStringLiteral("-l"), QStringLiteral("99"), pdf});
    int page = 0;
    for (const QString& line : info.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("Page ")) || !line.contains(QLatin1String("size:")))
            continue;
        ++page;
        const QStringList parts =
            line.section(QLatin1String("size:"), 1).simplified().split(QLatin1Char(' '));
        const bool landscape = parts.value(0).toDouble() > parts.value(2).toDouble();
        const QString prefix = scratch + QStringLiteral("page%1").arg(page);
        tool(QStringLiteral("pdftoppm"),
             {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-f"), QString::number(page),
              QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
              QStringLiteral("-png"), pdf, prefix});
        const QImage image(prefix + QStringLiteral(".png"));
        pages.push_back({image.pixelColor(image.width() / 2, image.height() / 2), landscape});
    }
    return pages;
}

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) < 30 && qAbs(a.green() - b.green()) < 30 && qAbs(a.blue() - b.blue()) < 30;
}

const QList<QColor> kColours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};

class PictureViewers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_person = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Léa"));
        m_database = m_household.dataFolder() + QStringLiteral("Data/");
        m_images = m_database + QStringLiteral("Images/");
        TPreviewImage::lendPrinting(&ReportCommands::printPictures);
        programPrinter().setOutputFormat(QPrinter::PdfFormat);
        programPrinter().setOutputFileName(m_pdf);
    }
    void TearDown() override
    {
        TPreviewImage::lendPrinting({});
        PrintDialogs::setHandler({});
        programPrinter().setOutputFormat(QPrinter::NativeFormat);
        programPrinter().setOutputFileName(QString());
    }

    // Documents 1 to n of the person, each a JPEG of its own colour; the
    // second one wider than high.
    QList<int> addDocuments(int count)
    {
        QList<int> ids;
        for (int i = 0; i < count; ++i) {
            QSqlQuery q(Connection::database());
            q.prepare(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, DoType) VALUES (?, ?, 1)"));
            q.addBindValue(m_person);
            q.addBindValue(QStringLiteral("Ordonnance %1").arg(i + 1));
            EXPECT_TRUE(q.exec());
            const int id = q.lastInsertId().toInt();
            writeJpeg(m_images + QStringLiteral("Doc%1.jpg").arg(id), kColours.at(i % kColours.size()),
                      i == 1 ? QSize(300, 200) : QSize(200, 300));
            ids << id;
        }
        return ids;
    }

    QPushButton* button(QWidget& window, const char* name)
    {
        auto* b = window.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }

    HouseholdFixture m_household;
    TestFolders::Scratch m_scratch;
    QString m_pdf = m_scratch.path() + QStringLiteral("printed.pdf");
    QString m_database;
    QString m_images;
    int m_person = -1;
};

} // namespace

TEST(PictureLayout, PlacesThePictureAsEachZoomSays)
{
    // Smaller than the frame: its own size, centred, 10 pixels in.
    EXPECT_EQ(PictureLayout::preview(Zoom::WholePicture, {1000, 800}, {400, 300}).picture,
              QRect(298, 248, 400, 300));
    const auto wide = PictureLayout::preview(Zoom::FitWidth, {1000, 800}, {2000, 1000});
    EXPECT_EQ(wide.picture, QRect(22, 10, 930, 465));
    EXPECT_EQ(wide.extent, QSize(962, 485));
    const auto actual = PictureLayout::preview(Zoom::ActualSize, {1000, 800}, {2000, 1000});
    EXPECT_EQ(actual.picture, QRect(10, 10, 2000, 1000));
    EXPECT_EQ(actual.extent, QSize(2020, 1020));
    EXPECT_TRUE(PictureLayout::preview(Zoom::WholePicture, {0, 800}, {400, 300}).picture.isEmpty());
    EXPECT_EQ(PictureLayout::view({492, 473}, {2000, 1000}), QRect(10, 118, 472, 236));
}

TEST_F(PictureViewers, PagesThroughThePersonsPicturesWithTheButtonsFollowing)
{
    const QList<int> ids = addDocuments(5);
    TPreviewImage viewer(TPreviewImage::documents(m_database, m_person, ids[2]));
    viewer.show();
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Document - Image (Ordonnance 3)"));
    EXPECT_EQ(viewer.currentFile(), m_images + QStringLiteral("Doc%1.jpg").arg(ids[2]));
    EXPECT_TRUE(near(viewer.canvas().picture().pixelColor(5, 5), Qt::blue));
    for (const char* name : {"Btn_First", "Btn_Prior", "Btn_Next", "Btn_Last", "Btn_Print", "Btn_Save"})
        EXPECT_TRUE(button(viewer, name)->isEnabled()) << name;
    button(viewer, "Btn_Last")->click();
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Document - Image (Ordonnance 5)"));
    EXPECT_FALSE(button(viewer, "Btn_Next")->isEnabled());
    EXPECT_FALSE(button(viewer, "Btn_Last")->isEnabled());
    EXPECT_TRUE(button(viewer, "Btn_First")->isEnabled());
    // A picture smaller than the frame keeps its size; the actual size scrolls.
    button(viewer, "Btn_Zoom3")->click();
    EXPECT_EQ(viewer.canvas().pictureRect(), QRect(10, 10, 200, 300));
}

TEST_F(PictureViewers, WithoutPrintingLentThePrintButtonStaysDisabled)
{
    addDocuments(1);
    TPreviewImage::lendPrinting({});
    TPreviewImage viewer(TPreviewImage::documents(m_database, m_person, -1));
    viewer.show();
    EXPECT_FALSE(button(viewer, "Btn_Print")->isEnabled());
    EXPECT_TRUE(button(viewer, "Btn_Save")->isEnabled());
}

TEST_F(PictureViewers, AMissingFileIsToldAndDisablesPrintAndSaveButNotPaging)
{
    const QList<int> ids = addDocuments(2);
    QFile::remove(m_images + QStringLiteral("Doc%1.jpg").arg(ids[0]));
    Messages::Recorder messages;
    TPreviewImage viewer(TPreviewImage::documents(m_database, m_person, -1));
    viewer.show();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts().first(), TPreviewImage::missingMessage(viewer.currentFile()));
    EXPECT_TRUE(messages.texts().first().startsWith(
        QStringLiteral("IMPOSSIBLE D'IMPRIMER L'IMAGE !\rLe fichier \"")));
    EXPECT_TRUE(viewer.canvas().picture().isNull());
    EXPECT_FALSE(button(viewer, "Btn_Print")->isEnabled());
    EXPECT_FALSE(button(viewer, "Btn_Save")->isEnabled());
    EXPECT_TRUE(button(viewer, "Btn_Next")->isEnabled());
    button(viewer, "Btn_Next")->click();
    EXPECT_TRUE(button(viewer, "Btn_Print")->isEnabled());
}

TEST_F(PictureViewers, ARangePrintsEachPictureTheCopiesAskedInOneJobAndEndsTheViewing)
{
    const QList<int> ids = addDocuments(5);
    QList<PrintDialogs::Request> asked;
    PrintDialogs::setHandler([&](const PrintDialogs::Request& r) {
        asked << r;
        PrintDialogs::Choice c;
        c.range = PrintDialogs::Choice::Range::Pages;
        c.from = 2;
        c.to = 3;
        c.copies = 2;
        return std::optional(c);
    });
    TPreviewImage viewer(TPreviewImage::documents(m_database, m_person, ids[4]));
    viewer.show();
    button(viewer, "Btn_Print")->click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].pageCount, 5);
    EXPECT_TRUE(asked[0].offerSelection && asked[0].presetSelection);
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(viewer.result(), QDialog::Accepted);
    const auto pages = pdfPages(m_pdf, m_scratch.path());
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_TRUE(near(pages[0].middle, Qt::green) && near(pages[1].middle, Qt::green));
    EXPECT_TRUE(near(pages[2].middle, Qt::blue) && near(pages[3].middle, Qt::blue));
    EXPECT_TRUE(pages[0].landscape); // the wide picture
    EXPECT_FALSE(pages[2].landscape);
}

TEST_F(PictureViewers, OnePictureOffersNoSelectionAndASelectionKeepsTheWindowOpen)
{
    addDocuments(1);
    std::optional<PrintDialogs::Request> asked;
    PrintDialogs::setHandler([&](const PrintDialogs::Request& r) {
        asked = r;
        PrintDialogs::Choice c;
        c.range = PrintDialogs::Choice::Range::Selection;
        c.copies = 3;
        return std::optional(c);
    });
    TPreviewImage viewer(TPreviewImage::documents(m_database, m_person, -1));
    viewer.show();
    for (const char* name : {"Btn_First", "Btn_Prior", "Btn_Next", "Btn_Last"})
        EXPECT_FALSE(button(viewer, name)->isEnabled()) << name;
    button(viewer, "Btn_Print")->click();
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->pageCount, 1);
    EXPECT_FALSE(asked->offerSelection);
    EXPECT_TRUE(viewer.isVisible());
    const auto pages = pdfPages(m_pdf, m_scratch.path());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(near(pages[2].middle, Qt::red));
}

TEST_F(PictureViewers, AMissingPictureInARangeIsToldTwiceAndTheRestIsPrinted)
{
    const QList<int> ids = addDocuments(3);
    QFile::remove(m_images + QStringLiteral("Doc%1.jpg").arg(ids[1]));
    PrintDialogs::setHandler([](const PrintDialogs::Request&) {
        PrintDialogs::Choice c;
        c.range = PrintDialogs::Choice::Range::All;
        return std::optional(c);
    });
    TPreviewImage viewer(TPreviewImage::documents(m_database, m_person, ids[0]));
    viewer.show();
    Messages::Recorder messages;
    button(viewer, "Btn_Print")->click();
    const QString missing = TPreviewImage::missingMessage(m_images + QStringLiteral("Doc%1.jpg").arg(ids[1]));
    EXPECT_EQ(messages.texts(), (QStringList{missing, missing}));
    const auto pages = pdfPages(m_pdf, m_scratch.path());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(near(pages[0].middle, Qt::red));
    EXPECT_TRUE(near(pages[1].middle, Qt::blue));
}

TEST_F(PictureViewers, ThePlainViewerFitsThePictureOrTellsTheFileIsGone)
{
    const QString photo = m_images + QStringLiteral("People%1.jpg").arg(m_person);
    Messages::Recorder messages;
    TViewImage::view(photo, nullptr);
    EXPECT_EQ(messages.texts(), QStringList{TViewImage::missingMessage(photo)});
    EXPECT_TRUE(messages.texts().first().startsWith(QStringLiteral("IMPOSSIBLE DE VISUALISER L'IMAGE !\r")));

    writeJpeg(photo, Qt::red, {2000, 1000});
    TViewImage window;
    ASSERT_TRUE(window.loadFile(photo));
    window.show();
    EXPECT_EQ(window.size(), QSize(492, 473));
    EXPECT_EQ(window.canvas().pictureRect(), QRect(10, 118, 472, 236));
    window.resize(150, 150); // refused below 200 pixels
    EXPECT_GT(window.width(), 200);
}
