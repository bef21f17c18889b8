// The reimbursement synthesis and the "Html" pages through the assembled
// main window: years, sums, amounts, and the viewer they open in.
#include "CareWindowTest.h"
#include "DatasetUtils.h"
#include "HtmlExport.h"
#include "PageReader.h"
#include "ReimbursementSynthesis.h"
#include "THtmlView.h"

#include <QTextBrowser>

namespace {

class Synthesis : public CareWindowTest
{
protected:
    // Opens the page of a menu entry; returns the page the viewer showed and its title.
    std::pair<QString, QString> openPage(const char* entry)
    {
        std::pair<QString, QString> shown;
        NextModal::answer<THtmlView>([&shown](THtmlView* view) {
            shown = {view->currentPage(), view->windowTitle()};
        });
        action(entry)->trigger();
        return shown;
    }
    // The table of a year: its rows under the stacked year.
    static QList<QStringList> yearRows(const PageReader& page, int year)
    {
        for (const QDomElement& table : page.all(QStringLiteral("table")))
            if (table.attribute(QStringLiteral("id")) == QStringLiteral("synthese-%1").arg(year))
                return PageReader::rows(table.firstChildElement(QStringLiteral("tr"))
                                            .firstChildElement(QStringLiteral("td"))
                                            .nextSiblingElement(QStringLiteral("td"))
                                            .firstChildElement(QStringLiteral("table")));
        return {};
    }
};

} // namespace

TEST_F(Synthesis, EveryYearFromTheFirstToTheLastWithThePersonsOwnSums)
{
    // The only act of 2005: 25 less 17.50 and 5.00.
    addAct(1, QStringLiteral("2005-03-01"), 25, true, 17.5, true, 5);
    // Flagged "Non" for the Sécurité sociale, with an amount typed all the same: counted.
    addAct(1, QStringLiteral("2008-06-01"), 40, false, 10, false, QVariant());
    addAct(2, QStringLiteral("2008-06-02"), 12.3, true, 8.61, false, 0);
    // Another person's act of 2005 is not hers.
    const int other = m_household.addPerson(QStringLiteral("Autre"), QStringLiteral("Personne"));
    addAct(1, QStringLiteral("2005-05-05"), 1000, false, 0, false, 0, other);
    m_form->RefreshPersonList(m_person);

    const auto [page, title] = openPage("Popup_Table_Board");
    EXPECT_EQ(title, QStringLiteral("Synthèse des remboursements"));
    EXPECT_EQ(page, HtmlExport::workingFolder(m_household.dataFolder()) + QStringLiteral("index.htm"));
    const PageReader read(page);
    ASSERT_TRUE(read.ok()) << read.error().toStdString();
    EXPECT_EQ(read.sections(), (QStringList{"PERSONNE", "2005", "2006", "2007", "2008"}));
    EXPECT_TRUE(PageReader::text(read.section(QStringLiteral("PERSONNE")).value(0))
                    .contains(QStringLiteral("Durand Élise")));
    EXPECT_EQ(yearRows(read, 2005),
              (QList<QStringList>{{"TYPE", "MONTANT", "REMBOURSEMENTS", "NON REMBOURSES"},
                                  {"Actes", "25.00 €", "22.50 €", "2.50 €"},
                                  {"Pharmacie", "0.00 €", "0.00 €", "0.00 €"},
                                  {"TOTAL", "25.00 €", "22.50 €", "2.50 €"}}));
    EXPECT_EQ(yearRows(read, 2006).value(3), (QStringList{"TOTAL", "0.00 €", "0.00 €", "0.00 €"}));
    EXPECT_EQ(yearRows(read, 2008).mid(1), (QList<QStringList>{{"Actes", "40.00 €", "10.00 €", "30.00 €"},
                                                               {"Pharmacie", "12.30 €", "8.61 €", "3.69 €"},
                                                               {"TOTAL", "52.30 €", "18.61 €", "33.69 €"}}));
    // The year stands digit over digit beside its table.
    for (const QDomElement& td : read.all(QStringLiteral("td")))
        if (PageReader::text(td) == QStringLiteral("2|0|0|7"))
            return;
    ADD_FAILURE() << "no stacked year 2007";
}

TEST_F(Synthesis, APersonWithoutActsGetsHerBlockAndNoYear)
{
    EXPECT_TRUE(ReimbursementSynthesis::years(m_person).isEmpty());
    const auto [page, title] = openPage("Popup_Table_Board");
    const PageReader read(page);
    ASSERT_TRUE(read.ok()) << read.error().toStdString();
    EXPECT_EQ(read.sections(), QStringList{QStringLiteral("PERSONNE")});
    EXPECT_EQ(QImage(HtmlExport::workingFolder(m_household.dataFolder()) + QStringLiteral("face.jpg")).size(),
              QSize(85, 85));
}

TEST_F(Synthesis, HtmlMenuWritesEachPageUnderItsTitleAndRecomputesTheBoostersFirst)
{
    addAct(1, QStringLiteral("2024-01-10"), 30);
    // A booster flagged due although a later injection of the same vaccine supersedes it.
    const int vaccine = exec(QStringLiteral("INSERT INTO LST_VACCINE (Title) VALUES ('DTP')")).toInt();
    exec(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Vaccine, Date_Vaccine, Repeat_Date, Repeat_Exe) "
                        "VALUES (?, ?, '2020-01-01', '2025-01-01', 1)"),
         {m_person, vaccine});
    exec(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Vaccine, Date_Vaccine, Repeat_Date, Repeat_Exe) "
                        "VALUES (?, ?, '2024-01-01', '2034-01-01', 0)"),
         {m_person, vaccine});
    exec(QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (?, '2024-01-01', 20), "
                        "(?, '2025-01-01', 24)"),
         {m_person, m_person});
    exec(QStringLiteral("UPDATE PERSON SET WeightMode=1 WHERE Id=?"), {m_person});
    DatasetUtils::reopenOnSameRow(dm().Person);
    for (const char* entry :
         {"Popup_Html_Fich", "Popup_Html_List_Consult", "Popup_Html_List_Pharmacy", "Popup_Html_Inventory"})
        EXPECT_TRUE(action(entry)->isEnabled()) << entry;

    const auto [sheet, sheetTitle] = openPage("Popup_Html_Fich");
    EXPECT_EQ(sheetTitle, QStringLiteral("Fiche de santé"));
    const PageReader read(sheet);
    EXPECT_EQ(read.sectionRows(QStringLiteral("ACTES")).size(), 2);
    // The chart comes from the growth subsystem, drawn on white.
    const QImage chart(HtmlExport::workingFolder(m_household.dataFolder()) + QStringLiteral("weight.bmp"));
    EXPECT_EQ(chart.size(), QSize(680, 400));
    int drawn = 0;
    for (int y = 0; y < chart.height(); y += 2)
        for (int x = 0; x < chart.width(); x += 2)
            drawn += chart.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(drawn, 500) << "the chart is drawn";

    const auto [acts, actsTitle] = openPage("Popup_Html_List_Consult");
    EXPECT_EQ(actsTitle, QStringLiteral("Tableaux"));
    EXPECT_EQ(PageReader(acts).sections(), QStringList{QStringLiteral("HISTORIQUE DES ACTES")});

    const auto [reminders, remindersTitle] = openPage("Popup_Html_Inventory");
    const PageReader inventory(reminders);
    EXPECT_EQ(inventory.sectionRows(QStringLiteral("RAPPELS DE VACCINATION")).value(1).value(0),
              QStringLiteral("01/01/2034"));
    EXPECT_EQ(inventory.sectionRows(QStringLiteral("RAPPELS DE VACCINATION")).size(), 2);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(Synthesis, AnHtmlFolderThatCannotBeWrittenGivesAMessageAndNoWindow)
{
    TestFolders::writeFile(m_household.dataFolder() + QStringLiteral("Html"), "un fichier");
    EXPECT_EQ(NextModal::openedBy([this] { action("Popup_Html_Fich")->trigger(); }), QString())
        << "a window opened";
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.texts().first().startsWith(QStringLiteral("Impossible de préparer le dossier")))
        << m_messages.texts().first().toStdString();
}
