// The preview window: page width on show, paging, printing a range with
// copies to a real PDF printer, the PDF button, and no printer at all.
#include "FileDialogs.h"
#include "Messages.h"
#include "PdfText.h"
#include "PrintDialogs.h"
#include "ProgramPrinter.h"
#include "ReportEngine.h"
#include "ReportPrinting.h"
#include "TestFolders.h"
#include "TReportPrintViewer.h"
#include "TWait.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// Three pages, each saying its number in big letters.
PreparedReport threePages()
{
    const char* layout = R"(<report>
      <masterData dataset="Pages" height="270" newPage="true">
        <text x="0" y="0" w="190" h="20" size="30">Feuille [Pages."N"]</text>
      </masterData></report>)";
    static ReportTable pages{{QStringLiteral("N")}};
    if (pages.rowCount() == 0)
        for (int n = 1; n <= 3; ++n)
            pages.addRow({ReportValue::ofNumber(n)});
    Report report(ReportLayout::parse(layout, QStringLiteral("Pages.frf")));
    report.addDataset(QStringLiteral("Pages"), &pages);
    report.setTitle(QStringLiteral("Historique des actes"));
    return report.prepare();
}

class ReportViewer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        programPrinter().setOutputFormat(QPrinter::PdfFormat);
        programPrinter().setOutputFileName(m_printed);
    }
    void TearDown() override
    {
        PrintDialogs::setHandler({});
        programPrinter().setOutputFormat(QPrinter::NativeFormat);
        programPrinter().setOutputFileName(QString());
    }
    QPushButton* button(const char* name)
    {
        return m_viewer.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QString pageLabel() { return m_viewer.findChild<QLabel*>(QStringLiteral("Lab_Page"))->text(); }

    TestFolders::Scratch m_scratch;
    QString m_printed = m_scratch.path() + QStringLiteral("printed.pdf");
    TReportPrintViewer m_viewer{threePages()};
};

void answer(PrintDialogs::Choice::Range range, int from, int to, int copies)
{
    PrintDialogs::setHandler([=](const PrintDialogs::Request& request) {
        EXPECT_EQ(request.pageCount, 3);
        EXPECT_TRUE(request.offerSelection);
        PrintDialogs::Choice c;
        c.range = range;
        c.from = from;
        c.to = to;
        c.copies = copies;
        return std::optional(c);
    });
}

} // namespace

TEST_F(ReportViewer, ShowsAtPageWidthAndPagesThrough)
{
    m_viewer.resize(800, 700);
    m_viewer.setZoom(TReportPrintViewer::Zoom::WholePage);
    m_viewer.show();
    EXPECT_EQ(m_viewer.windowTitle(), QStringLiteral("Prévisualisation du rapport"));
    EXPECT_EQ(m_viewer.zoom(), TReportPrintViewer::Zoom::PageWidth);
    auto* scroll = m_viewer.findChild<QScrollArea*>(QStringLiteral("Pan_Preview"));
    const int room = scroll->viewport()->width();
    EXPECT_LE(scroll->widget()->width(), room);
    EXPECT_GT(scroll->widget()->width(), room - 40);
    EXPECT_EQ(pageLabel(), QStringLiteral("Page 1 / 3"));
    EXPECT_FALSE(button("Btn_Prior")->isEnabled());
    button("Btn_Last")->click();
    EXPECT_EQ(m_viewer.currentPage(), 2);
    EXPECT_FALSE(button("Btn_Next")->isEnabled());
    button("Btn_Prior")->click();
    EXPECT_EQ(pageLabel(), QStringLiteral("Page 2 / 3"));
    button("Btn_Zoom_Page")->click();
    EXPECT_LE(scroll->widget()->height(), scroll->viewport()->height());
}

TEST_F(ReportViewer, PrintsTheRangeWithItsCopiesAndCloses)
{
    m_viewer.show();
    answer(PrintDialogs::Choice::Range::Pages, 2, 3, 2);
    button("Btn_Print")->click();
    EXPECT_EQ(m_viewer.result(), QDialog::Accepted);
    EXPECT_FALSE(m_viewer.isVisible());
    EXPECT_EQ(PdfText::pageCount(m_printed), 4);
    const QString text = PdfText::read(m_printed);
    const QStringList order = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(order.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(order[i].contains(QStringLiteral("Feuille %1").arg(i % 2 ? 3 : 2))) << i;
}

TEST_F(ReportViewer, ASelectionPrintsThePageShownAndCancelLeavesThePreviewOpen)
{
    m_viewer.show();
    button("Btn_Next")->click();
    PrintDialogs::setHandler(
        [](const PrintDialogs::Request&) { return std::optional<PrintDialogs::Choice>(); });
    button("Btn_Print")->click();
    EXPECT_TRUE(m_viewer.isVisible());
    EXPECT_FALSE(QFileInfo::exists(m_printed));
    answer(PrintDialogs::Choice::Range::Selection, 1, 1, 1);
    button("Btn_Print")->click();
    EXPECT_EQ(PdfText::pageCount(m_printed), 1);
    EXPECT_TRUE(PdfText::read(m_printed).contains(QStringLiteral("Feuille 2")));
}

TEST_F(ReportViewer, ThePdfButtonAndTheMissingPrinterBothSaveAPdf)
{
    m_viewer.show();
    const QString saved = m_scratch.path() + QStringLiteral("rapport.pdf");
    {
        FileDialogs::Recorder dialogs;
        dialogs.queueAnswer(saved);
        button("Btn_Pdf")->click();
        ASSERT_EQ(dialogs.requests().size(), 1);
        EXPECT_TRUE(dialogs.requests()[0].fileName.endsWith(QStringLiteral("/Historique des actes.pdf")));
        EXPECT_EQ(dialogs.requests()[0].defaultExtension, QStringLiteral("pdf"));
        EXPECT_EQ(PdfText::pageCount(saved), 3);
    }
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed here";
    programPrinter().setOutputFormat(QPrinter::NativeFormat);
    programPrinter().setOutputFileName(QString());
    PrintDialogs::setHandler([](const PrintDialogs::Request&) {
        ADD_FAILURE() << "no print dialog without a printer";
        return std::optional<PrintDialogs::Choice>();
    });
    QFile::remove(saved);
    Messages::Recorder messages;
    FileDialogs::Recorder dialogs;
    dialogs.queueAnswer(saved);
    button("Btn_Print")->click();
    EXPECT_EQ(messages.texts(), QStringList{ReportPrinting::noPrinterMessage()});
    EXPECT_EQ(PdfText::pageCount(saved), 3);
    EXPECT_TRUE(m_viewer.isVisible());
}

TEST(ReportProgress, ShowsItsWindowOnTheFirstStepAndFollowsTheWork)
{
    const auto waitWindow = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* wait = qobject_cast<TWait*>(w); wait && wait->isVisible())
                return wait;
        return static_cast<TWait*>(nullptr);
    };
    {
        ReportPrinting::ProgressWindow progress(QStringLiteral("Préparation du rapport"));
        EXPECT_EQ(waitWindow(), nullptr);
        const PreparedReport::Progress step = progress.callback();
        step(2000, 10000);
        ASSERT_NE(waitWindow(), nullptr);
        EXPECT_EQ(waitWindow()->cursorWidth(), TWait::kBarWidth / 5);
        step(10000, 10000);
        EXPECT_EQ(waitWindow()->cursorWidth(), TWait::kBarWidth);
    }
    EXPECT_EQ(waitWindow(), nullptr);
}
