// The page viewer: the page and its pictures shown, a picture page in a
// pop-up window of its own, printing to the program's printer or, with no
// printer, to a PDF file, and saving a copy.
#include "FileDialogs.h"
#include "HouseholdFixture.h"
#include "HtmlExport.h"
#include "HtmlPage.h"
#include "Messages.h"
#include "PdfText.h"
#include "ProgramPrinter.h"
#include "THtmlView.h"

#include <gtest/gtest.h>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextFragment>

namespace {

class HtmlView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = HtmlExport::prepareFolder(m_household.dataFolder());
        QImage picture(120, 80, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        picture.save(m_folder + QStringLiteral("docfullsize7.jpg"));
        HtmlExport::writeFile(
            m_folder + QStringLiteral("doc7.htm"),
            Html::picturePage(QStringLiteral("Radio du genou"), QStringLiteral("docfullsize7.jpg")));
        Html::Page page;
        page.section(QStringLiteral("ESSAI"));
        page.band(QStringLiteral("Fiche de Zoé Martin"));
        page.add(QStringLiteral("<a href=\"%1\">%2</a>\n")
                     .arg(Html::popupLink(QStringLiteral("doc7.htm"), 600, 500),
                          Html::image(QStringLiteral("docfullsize7.jpg"), 90, 60)));
        HtmlExport::writeFile(m_folder + HtmlExport::kIndex, page.finish());
    }
    void TearDown() override
    {
        programPrinter().setOutputFormat(QPrinter::NativeFormat);
        programPrinter().setOutputFileName(QString());
    }
    QPushButton* button(THtmlView& view, const char* name)
    {
        return view.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    HouseholdFixture m_household;
    TestFolders::Scratch m_scratch;
    Messages::Recorder m_messages;
    FileDialogs::Recorder m_dialogs;
    QString m_folder;
};

} // namespace

TEST_F(HtmlView, ShowsThePageWithItsPicturesAndOpensAPictureLinkInAWindowOfItsOwn)
{
    THtmlView view(m_folder + HtmlExport::kIndex, QStringLiteral(" Fiche de santé"));
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Fiche de santé"));
    EXPECT_TRUE(view.browser()->toPlainText().contains(QStringLiteral("Fiche de Zoé Martin")));
    // The picture came through the browser from the page's folder.
    const QVariant picture = view.browser()->document()->resource(
        QTextDocument::ImageResource, QUrl::fromLocalFile(m_folder + QStringLiteral("docfullsize7.jpg")));
    EXPECT_EQ(picture.value<QImage>().size(), QSize(120, 80));
    EXPECT_EQ(button(view, "Btn_Close")->text(), QStringLiteral(" &Fermer"));

    view.openLink(QUrl(Html::popupLink(QStringLiteral("doc7.htm"), 600, 500)));
    const QList<THtmlView*> popups = view.findChildren<THtmlView*>();
    ASSERT_EQ(popups.size(), 1);
    EXPECT_TRUE(popups[0]->isVisible());
    EXPECT_FALSE(popups[0]->isModal());
    EXPECT_EQ(popups[0]->windowTitle(), QStringLiteral("Radio du genou"));
    EXPECT_EQ(popups[0]->size(), QSize(600, 500));
    EXPECT_EQ(popups[0]->currentPage(), m_folder + QStringLiteral("doc7.htm"));
    // The page itself stays where it was.
    EXPECT_EQ(view.currentPage(), m_folder + HtmlExport::kIndex);
}

TEST_F(HtmlView, PrintsToTheProgramsPrinterOrWithNoneOffersAPdfFile)
{
    THtmlView view(m_folder + HtmlExport::kIndex, QStringLiteral(" Tableaux"));
    const QString printed = m_scratch.path() + QStringLiteral("printed.pdf");
    programPrinter().setOutputFormat(QPrinter::PdfFormat);
    programPrinter().setOutputFileName(printed);
    button(view, "Btn_Print")->click();
    EXPECT_TRUE(m_dialogs.requests().isEmpty()) << "no dialog on the way to the printer";
    EXPECT_TRUE(PdfText::read(printed).contains(QStringLiteral("Fiche de Zoé Martin")));

    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    programPrinter().setOutputFormat(QPrinter::NativeFormat);
    programPrinter().setOutputFileName(QString());
    const QString chosen = m_scratch.path() + QStringLiteral("fiche.pdf");
    m_dialogs.queueAnswer(chosen);
    button(view, "Btn_Print")->click();
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.texts().first().startsWith(QStringLiteral("Aucune imprimante")));
    ASSERT_EQ(m_dialogs.requests().size(), 1);
    EXPECT_EQ(m_dialogs.requests().first().filter, QStringLiteral("Document PDF|*.pdf"));
    EXPECT_TRUE(PdfText::read(chosen).contains(QStringLiteral("Fiche de Zoé Martin")));
    EXPECT_FALSE(QFileInfo::exists(chosen + QStringLiteral(".part")));
}

TEST_F(HtmlView, SavesTheShownPageWithWhatItRefersTo)
{
    THtmlView view(m_folder + HtmlExport::kIndex, QStringLiteral(" Fiche de santé"));
    const QString target = m_scratch.make(QStringLiteral("Copie")) + QStringLiteral("zoe.htm");
    m_dialogs.queueAnswer(target);
    button(view, "Btn_Save")->click();
    ASSERT_EQ(m_dialogs.requests().size(), 1);
    const FileDialogs::Request& asked = m_dialogs.requests().first();
    EXPECT_EQ(asked.title, QStringLiteral("Enregistrer la page html sous ..."));
    EXPECT_EQ(asked.filter, QStringLiteral("Page web|*.htm;*.html"));
    EXPECT_EQ(asked.fileName, m_household.dataFolder() + QStringLiteral("index.htm"));
    for (const char* name : {"zoe.htm", "doc7.htm", "docfullsize7.jpg"})
        EXPECT_TRUE(
            QFileInfo::exists(m_scratch.path() + QStringLiteral("Copie/") + QString::fromLatin1(name)))
            << name;
    EXPECT_TRUE(m_messages.messages().isEmpty());
}
