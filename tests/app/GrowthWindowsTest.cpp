#include "AccessibleMenus.h"
#include "AnalysisPage.h"
#include "Assessment.h"
#include "Clock.h"
#include "Connection.h"
#include "DatasetUtils.h"
#include "FileDialogs.h"
#include "GridPanel.h"
#include "HouseholdFixture.h"
#include "LineChart.h"
#include "Measurements.h"
#include "Messages.h"
#include "NextModal.h"
#include "NumberFormat.h"
#include "ProgramAssembly.h"
#include "TAnalysisList.h"
#include "TChartBmi.h"
#include "TChartValueList.h"
#include "TEnterAnalysis.h"
#include "TEnterAnalysisValue.h"
#include "TEnterPersonAnalysis.h"
#include "TEnterWeight.h"
#include "TMainForm.h"
#include "TStrList.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QAreaSeries>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

// Chooses a menu entry the next time a popup menu opens; checks its entries.
void whenMenuOpens(const QString& name, const QStringList& entries, const QString& ticked,
                   const QString& choice)
{
    QTimer::singleShot(0, [=] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), name);
        QStringList captions;
        QString checked;
        QAction* wanted = nullptr;
        for (QAction* a : menu->actions()) {
            captions << a->text();
            if (a->isChecked())
                checked = a->text();
            if (a->text() == choice)
                wanted = a;
        }
        EXPECT_EQ(captions, entries);
        EXPECT_EQ(checked, ticked);
        // Reachable by a screen reader while it waits for a choice.
        QStringList named = entries;
        named.removeAll(QString());
        EXPECT_EQ(AccessibleMenus::open(), QList<QStringList>{named});
        ASSERT_NE(wanted, nullptr);
        menu->setActiveAction(wanted);
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

void type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

// Chooses an entry of the pick list open at the moment.
void pick(const QString& text)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* list = qobject_cast<TStrList*>(w); list && list->isVisible()) {
            const QList<QListWidgetItem*> items = list->list()->findItems(text, Qt::MatchExactly);
            ASSERT_FALSE(items.isEmpty()) << text.toStdString();
            list->list()->setCurrentItem(items.first());
            list->choose();
            return;
        }
    FAIL() << "no pick list is open";
}

QPushButton* button(QWidget* in, const char* name)
{
    auto* b = in->findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(b, nullptr) << name;
    return b;
}

QStringList labels(const LineChart* chart, int series = Chart::Value)
{
    QStringList l;
    for (const Chart::Point& p : chart->data().series[static_cast<std::size_t>(series)].points)
        l << p.label;
    return l;
}

void sql(const QString& statement)
{
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
}

int number(const QString& statement)
{
    return DatasetUtils::readNumber(statement);
}

class GrowthWindows : public ::testing::Test
{
protected:
    GrowthWindows()
    {
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(9, 30)));
        m_child = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Léa"));
        m_other = m_household.addPerson(QStringLiteral("Martin"), QString());
        sql(QStringLiteral(
                "UPDATE PERSON SET BirthDay_Date='15/06/2024', BirthDay_Weight=3.2, BirthDay_Size=50, "
                "WeightMode=2, SizeMode=3 WHERE Id=%1")
                .arg(m_child));
        for (const auto& [date, weight] :
             {std::pair{"2024-07-20", 4.5}, {"2025-03-01", 8.0}, {"2025-06-10", 8.6}, {"2025-06-20", 9.1}})
            sql(QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (%1, '%2', %3)")
                    .arg(m_child)
                    .arg(QString::fromLatin1(date))
                    .arg(weight));
        sql(QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) VALUES (%1, '2025-05-31', 70)")
                .arg(m_child));
        // The person rows as they are now.
        m_household.dm().Person.close();
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
    }
    ~GrowthWindows() override { Clock::setFixed({}); }

    LineChart* chart(const char* name) const
    {
        return m_form->findChild<LineChart*>(QString::fromLatin1(name));
    }
    void showPage(int page)
    {
        m_form->findChild<QTabBar*>(QStringLiteral("TabNoteBook"))->setCurrentIndex(page);
    }
    void selectPerson(int id)
    {
        m_form->RefreshPersonList(id);
        ASSERT_EQ(DatasetUtils::currentId(m_household.dm().Person), id);
    }
    AnalysisPage* analysisPage() const
    {
        return qobject_cast<AnalysisPage*>(m_form->page(TMainForm::Analysis));
    }
    // The person follows the definition with that title, with these results (date, value, min, max).
    int follow(int person, const QString& title,
               QList<std::tuple<QString, double, double, double>> results = {})
    {
        sql(QStringLiteral(
                "INSERT INTO L_ANALYSIS (Id_Ref, Id_Analysis, Id_File, Unit, Decimal, Value_Min, Value_Max) "
                "SELECT %1, Id, -1, Unit, Decimal, 0.7, 1.1 FROM LST_ANALYSIS WHERE Title='%2'")
                .arg(person)
                .arg(title));
        const int id = number(QStringLiteral("SELECT max(Id) FROM L_ANALYSIS"));
        for (const auto& [date, value, low, high] : results)
            sql(QStringLiteral(
                    "INSERT INTO ANALYSIS (Id_Ref, Date_Analysis, Value_Analysis, Value_Min, Value_Max) "
                    "VALUES (%1, '%2', %3, %4, %5)")
                    .arg(id)
                    .arg(date)
                    .arg(value)
                    .arg(low)
                    .arg(high));
        return id;
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    std::unique_ptr<TMainForm> m_form;
    int m_child = 0;
    int m_other = 0;
};

TEST_F(GrowthWindows, ChartsFollowThePersonAndTheModeStoredWithIt)
{
    selectPerson(m_child);
    EXPECT_EQ(labels(chart("Chart_Weight")),
              (QStringList{QStringLiteral("Naissance"), QStringLiteral("0 ans"), QStringLiteral("1 ans")}));
    EXPECT_DOUBLE_EQ(chart("Chart_Weight")->data().series[Chart::Value].points.at(1).value, 8.6);
    EXPECT_EQ(labels(chart("Chart_Size")),
              (QStringList{QStringLiteral("Naissance"), QStringLiteral("11 mois")}));
    EXPECT_TRUE(button(m_form.get(), "Btn_Chart_Weight_Edit")->isEnabled());
    // Printing previews the chart as a report page.
    EXPECT_EQ(NextModal::openedBy([this] { button(m_form.get(), "Btn_Chart_Weight_Print")->click(); }),
              QStringLiteral("TReportPrintViewer"));

    whenMenuOpens(QStringLiteral("Popup_Chart_Weight_Type"),
                  {QStringLiteral("Mois"), QStringLiteral("Années"), QString(), QStringLiteral("Dates")},
                  QStringLiteral("Années"), QStringLiteral("Mois"));
    button(m_form.get(), "Btn_Chart_Weight_Type")->click();
    EXPECT_EQ(number(QStringLiteral("SELECT WeightMode FROM PERSON WHERE Id=%1").arg(m_child)), 3);
    EXPECT_EQ(labels(chart("Chart_Weight")).mid(0, 3),
              (QStringList{QStringLiteral("Naissance"), QStringLiteral("1 mois"), QStringLiteral("9 mois")}));

    // A person without measurements nor mode: the empty chart, from 0 to 1.
    selectPerson(m_other);
    EXPECT_TRUE(labels(chart("Chart_Weight")).isEmpty());
    EXPECT_EQ(chart("Chart_Weight")->data().verticalRange(), std::pair(0.0, 1.0));

    m_messages.queueAnswer(Messages::Answer::Yes);
    button(m_form.get(), "Btn_Main_Delete")->click();
    m_messages.queueAnswer(Messages::Answer::Yes);
    button(m_form.get(), "Btn_Main_Delete")->click();
    EXPECT_FALSE(chart("Chart_Size")->isEnabled());
    EXPECT_TRUE(labels(chart("Chart_Size")).isEmpty());
    for (const char* b : {"Btn_Chart_Size_Edit", "Btn_Chart_Size_Save", "Btn_Chart_Size_Type"})
        EXPECT_FALSE(button(m_form.get(), b)->isEnabled()) << b;
}

TEST_F(GrowthWindows, AMeasurementTypedWithACommaIsStoredAndWhatIsNoNumberIsRefused)
{
    selectPerson(m_child);
    NextModal::answer<TChartValueList>([this](TChartValueList* values) {
        EXPECT_EQ(values->windowTitle(), QStringLiteral("Gestion de la courbe de poids"));
        EXPECT_EQ(values->mode(), 2);
        NextModal::answer<TEnterWeight>([this](TEnterWeight* entry) {
            EXPECT_EQ(entry->windowTitle(), QStringLiteral("Saisie d'une mesure"));
            EXPECT_EQ(entry->findChild<QLineEdit*>(QStringLiteral("Ed_Date"))->text(),
                      QStringLiteral("09/12/2026"));
            QPushButton* ok = button(entry, "Btn_Ok");
            EXPECT_FALSE(ok->isEnabled()) << "no value yet";
            auto* value = entry->findChild<QLineEdit*>(QStringLiteral("Ed_Weight"));
            for (const char* refused : {"abc", "1e400", "   "}) {
                m_messages.clear();
                type(value, QString::fromLatin1(refused));
                ok->click();
                EXPECT_TRUE(entry->isVisible()) << refused;
                ASSERT_EQ(m_messages.texts().size(), 1) << refused;
                EXPECT_TRUE(m_messages.texts().constFirst().contains(QStringLiteral("par exemple 72,5")) ||
                            m_messages.texts().constFirst().contains(QStringLiteral("n'est pas un nombre")))
                    << m_messages.texts().constFirst().toStdString();
            }
            type(value, QStringLiteral("72,5"));
            ok->click();
            EXPECT_FALSE(entry->isVisible());
        });
        button(values, "Btn_Add")->click();
        EXPECT_EQ(labels(values->chart()).constLast(), QStringLiteral("2 ans"));
        button(values, "Btn_Close")->click();
    });
    button(m_form.get(), "Btn_Chart_Weight_Edit")->click();
    EXPECT_EQ(number(QStringLiteral(
                         "SELECT count(*) FROM WEIGHT WHERE Weight=72.5 AND Date_Weight='2026-12-09' AND "
                         "Id_Ref=%1")
                         .arg(m_child)),
              1);
    EXPECT_EQ(labels(chart("Chart_Weight")).constLast(), QStringLiteral("2 ans"));
}

TEST_F(GrowthWindows, TheCurveWindowKeepsItsModeToItselfAndAsksBeforeDeleting)
{
    selectPerson(m_child);
    TChartValueList values(m_household.dm(), MeasureKind::size(), m_form.get());
    values.show();
    EXPECT_EQ(values.windowTitle(), QStringLiteral("Gestion de la courbe de taille"));
    // The window's margins hold the axis at 0.
    EXPECT_EQ(values.chart()->data().verticalRange().first, 0);
    whenMenuOpens(QStringLiteral("Popup_Type"),
                  {QStringLiteral("Mois"), QStringLiteral("Années"), QString(), QStringLiteral("Dates")},
                  QStringLiteral("Mois"), QStringLiteral("Dates"));
    button(&values, "Btn_Type")->click();
    EXPECT_EQ(labels(values.chart()),
              (QStringList{QStringLiteral("15/06/2024"), QStringLiteral("31/05/2025")}));
    EXPECT_EQ(number(QStringLiteral("SELECT SizeMode FROM PERSON WHERE Id=%1").arg(m_child)), 3);

    m_messages.queueAnswer(Messages::Answer::No);
    button(&values, "Btn_Delete")->click();
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("Désirez-vous supprimer cette valeur ?")});
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM [SIZE]")), 1);
    button(&values, "Btn_Delete")->click();
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM [SIZE]")), 0);
    EXPECT_FALSE(button(&values, "Btn_Edit")->isEnabled());
    EXPECT_FALSE(button(&values, "Btn_Delete")->isEnabled());
    EXPECT_TRUE(labels(values.chart()).isEmpty());
}

TEST_F(GrowthWindows, TheSexChosenOnThePageDrawsTheCentilesAndTheCurveWindowTellsEachMeasures)
{
    using namespace GrowthReference;
    // A weighing far too light, and a height two days from the weighing of 10 June 2025.
    sql(QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (%1, '2025-01-01', 4.0)")
            .arg(m_child));
    sql(QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) VALUES (%1, '2025-06-12', 75)")
            .arg(m_child));
    selectPerson(m_child);
    EXPECT_TRUE(chart("Chart_Weight")->data().centiles.isEmpty());
    EXPECT_EQ(chart("Chart_Weight")->shownNote(), QStringLiteral("Pas de centiles : sexe non renseigné"));

    auto* sex = m_form->findChild<QComboBox*>(QStringLiteral("Ed_Sex"));
    ASSERT_NE(sex, nullptr);
    EXPECT_EQ(sex->accessibleName(), QStringLiteral("Sexe"));
    ASSERT_EQ(sex->count(), 3);
    EXPECT_EQ((QStringList{sex->itemText(0), sex->itemText(1), sex->itemText(2)}),
              (QStringList{QString(), QStringLiteral("Féminin"), QStringLiteral("Masculin")}));
    sex->setCurrentIndex(1);
    emit sex->activated(1);
    // Both charts follow at once, before the person is even recorded.
    for (const char* name : {"Chart_Weight", "Chart_Size"}) {
        EXPECT_FALSE(chart(name)->data().centiles.isEmpty()) << name;
        EXPECT_TRUE(chart(name)->shownNote().isEmpty()) << name;
        EXPECT_TRUE(chart(name)->centileBand(0)->isVisible()) << name;
    }
    button(m_form.get(), "Btn_Main_Record")->click();
    EXPECT_EQ(number(QStringLiteral("SELECT Sex FROM PERSON WHERE Id=%1").arg(m_child)), 2);

    bool opened = false;
    NextModal::answer<TChartValueList>([&](TChartValueList* values) {
        opened = true;
        const QAbstractItemModel* grid =
            values->findChild<QTableView*>(QStringLiteral("Grid_Value"))->model();
        QStringList headings;
        for (int c = 0; c < grid->columnCount(); ++c)
            headings << grid->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(headings, (QStringList{"Date", "Valeur", "Centile", "IMC", "Centile IMC", "Observations"}));
        const QDate born(2024, 6, 15);
        const auto expected = [&](Indicator indicator, const QDate& day, double value) {
            return assess(shipped(TestFolders::programFolder()), indicator, Sex::Female, born, {day, value})
                ->text();
        };
        // Rows in date order: 20/07/2024, 01/01/2025 (4 kg), 01/03/2025, 10/06/2025, 20/06/2025.
        EXPECT_EQ(grid->index(0, 2).data().toString(), expected(Indicator::Weight, QDate(2024, 7, 20), 4.5));
        EXPECT_FALSE(grid->index(0, 2).data(Qt::ForegroundRole).isValid());
        EXPECT_TRUE(grid->index(1, 2).data().toString().startsWith(QStringLiteral("P < 1 (z -")));
        EXPECT_EQ(grid->index(1, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(0xcc, 0, 0));
        EXPECT_TRUE(
            grid->index(1, 2).data(Qt::ToolTipRole).toString().contains(QStringLiteral("hors des 3e")));
        // The BMI only where a height lies within the week.
        EXPECT_EQ(grid->index(2, 3).data().toString(), QString());
        EXPECT_EQ(grid->index(3, 3).data().toString(),
                  NumberFormat::formatFloat(QStringLiteral("#######0.0"), bodyMassIndex(8.6, 75)));
        EXPECT_EQ(grid->index(3, 4).data().toString(),
                  expected(Indicator::Bmi, QDate(2025, 6, 10), bodyMassIndex(8.6, 75)));
        EXPECT_EQ(grid->index(4, 3).data().toString(), QString()) << "8 days from the height";

        NextModal::answer<TChartBmi>([](TChartBmi* bmi) {
            EXPECT_EQ(bmi->windowTitle(), QStringLiteral("Courbe de l'indice de masse corporelle"));
            EXPECT_EQ(bmi->mode(), GrowthSeries::Years);
            // Birth (3.2 kg, 50 cm) and the one weighing with its height.
            EXPECT_EQ(labels(bmi->chart()),
                      (QStringList{QStringLiteral("Naissance"), QStringLiteral("0 ans")}));
            EXPECT_DOUBLE_EQ(bmi->chart()->data().series[Chart::Value].points.at(0).value, 12.8);
            EXPECT_EQ(bmi->chart()->data().centiles.curves.at(2).size(), 2);
            bmi->accept();
        });
        ASSERT_TRUE(button(values, "Btn_Bmi")->isEnabled());
        button(values, "Btn_Bmi")->click();
        values->accept();
    });
    button(m_form.get(), "Btn_Chart_Weight_Edit")->click();
    EXPECT_TRUE(opened);

    // Back to an unknown sex: the charts say so again.
    sex->setCurrentIndex(0);
    emit sex->activated(0);
    button(m_form.get(), "Btn_Main_Record")->click();
    EXPECT_FALSE(
        QSqlQuery(QStringLiteral("SELECT Sex FROM PERSON WHERE Id=%1 AND Sex IS NOT NULL").arg(m_child),
                  Connection::database())
            .next());
    EXPECT_EQ(chart("Chart_Size")->shownNote(), QStringLiteral("Pas de centiles : sexe non renseigné"));
    EXPECT_FALSE(chart("Chart_Size")->centileBand(0)->isVisible());
}

TEST_F(GrowthWindows, ASavedChartIsAJpegOfTheChartsSizeNamedAfterTitlePersonAndDay)
{
    selectPerson(m_child);
    FileDialogs::Recorder dialogs;
    button(m_form.get(), "Btn_Chart_Weight_Save")->click();
    ASSERT_EQ(dialogs.requests().size(), 1);
    const FileDialogs::Request& request = dialogs.requests().constFirst();
    EXPECT_EQ(request.title, QStringLiteral("Enregistrer l'image sous ..."));
    EXPECT_EQ(request.filter, QStringLiteral("Image Jpeg|*.jpg"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("jpg"));
    EXPECT_EQ(request.fileName,
              m_household.dataFolder() + QStringLiteral("Evolution_du_poids_(Durand Léa)_09_12_2026.jpg"));

    const QString path = m_household.dataFolder() + QStringLiteral("courbe.jpg");
    dialogs.queueAnswer(path);
    button(m_form.get(), "Btn_Chart_Weight_Save")->click();
    QProcess djpeg;
    djpeg.start(QStringLiteral("djpeg"), {QStringLiteral("-pnm"), path});
    ASSERT_TRUE(djpeg.waitForFinished(20000));
    EXPECT_EQ(djpeg.exitCode(), 0) << djpeg.readAllStandardError().toStdString();
    const QList<QByteArray> header = djpeg.readAllStandardOutput().left(32).split('\n');
    ASSERT_GE(header.size(), 2);
    EXPECT_EQ(header.at(0), QByteArray("P6"));
    EXPECT_EQ(header.at(1), QByteArray("1600 1200"));
}

TEST_F(GrowthWindows, APersonFollowingNothingSeesPasDAnalysesAndCanOnlyFollowOne)
{
    selectPerson(m_other);
    showPage(TMainForm::Analysis);
    EXPECT_EQ(m_form->findChild<QLineEdit*>(QStringLiteral("Ed_Analysis"))->text(),
              QStringLiteral("Pas d'analyses"));
    EXPECT_TRUE(labels(chart("Chart_Analysis")).isEmpty());
    EXPECT_TRUE(button(m_form.get(), "Btn_Analysis_Add")->isEnabled());
    for (const char* b : {"Btn_Analysis_Edit", "Btn_Analysis_Delete", "Btn_AnalysisValue_Add",
                          "Btn_AnalysisValue_Edit", "Btn_AnalysisValue_Delete"})
        EXPECT_FALSE(button(m_form.get(), b)->isEnabled()) << b;

    // Every definition followed: nothing is left to follow.
    sql(QStringLiteral("DELETE FROM LST_ANALYSIS WHERE Title<>'TSH'"));
    follow(m_other, QStringLiteral("TSH"));
    m_form->RefreshCurrentPage();
    m_messages.clear();
    button(m_form.get(), "Btn_Analysis_Add")->click();
    EXPECT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("Vous avez déjà sélectionné toutes les analyses disponibles.")});
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM L_ANALYSIS")), 1);
}

TEST_F(GrowthWindows, FollowingAnAnalysisTakesItsDefinitionAndItsResultsTheRangeOfTheirDay)
{
    selectPerson(m_child);
    showPage(TMainForm::Analysis);
    NextModal::answer<TEnterPersonAnalysis>([](TEnterPersonAnalysis* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Sélection d'une analyse"));
        EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(button(w, "Btn_Ok")->isEnabled());
        button(w, "Btn_Title")->click();
        pick(QStringLiteral("Sodium"));
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Ed_Unit"))->text(), QStringLiteral("mmol/L"));
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Ed_Decimal"))->text(), QStringLiteral("0"));
        // The range follows the decimals as they change.
        type(w->findChild<QLineEdit*>(QStringLiteral("Ed_Min")), QStringLiteral("135"));
        button(w, "Btn_Decimal")->click();
        pick(QStringLiteral("1"));
        EXPECT_TRUE(
            w->findChild<QLineEdit*>(QStringLiteral("Ed_Min"))->text().startsWith(QStringLiteral("135")));
        EXPECT_TRUE(
            w->findChild<QLineEdit*>(QStringLiteral("Ed_Min"))->text().endsWith(QStringLiteral("0 mmol/L")));
        type(w->findChild<QLineEdit*>(QStringLiteral("Ed_Max")), QStringLiteral("145"));
        button(w, "Btn_Ok")->click();
    });
    button(m_form.get(), "Btn_Analysis_Add")->click();
    AnalysisPage* page = analysisPage();
    ASSERT_GE(page->currentAnalysis(), 0);
    EXPECT_EQ(m_form->findChild<QLineEdit*>(QStringLiteral("Ed_Analysis"))->text(), QStringLiteral("Sodium"));
    EXPECT_EQ(
        number(QStringLiteral("SELECT Id_Ref FROM L_ANALYSIS WHERE Id=%1").arg(page->currentAnalysis())),
        m_child);
    EXPECT_EQ(
        number(QStringLiteral("SELECT Decimal FROM L_ANALYSIS WHERE Id=%1").arg(page->currentAnalysis())), 1);
    EXPECT_TRUE(button(m_form.get(), "Btn_AnalysisValue_Add")->isEnabled());
    EXPECT_FALSE(button(m_form.get(), "Btn_AnalysisValue_Edit")->isEnabled());

    NextModal::answer<TEnterAnalysisValue>([](TEnterAnalysisValue* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Saisie d'une valeur"));
        EXPECT_TRUE(
            w->findChild<QLineEdit*>(QStringLiteral("Ed_Min"))->text().startsWith(QStringLiteral("135")));
        type(w->findChild<QLineEdit*>(QStringLiteral("Ed_Value")), QStringLiteral("139,4"));
        button(w, "Btn_Ok")->click();
    });
    button(m_form.get(), "Btn_AnalysisValue_Add")->click();
    EXPECT_EQ(
        number(QStringLiteral("SELECT count(*) FROM ANALYSIS WHERE Id_Ref=%1 AND Value_Analysis=139.4 AND "
                              "Value_Min=135 AND Value_Max=145")
                   .arg(page->currentAnalysis())),
        1);
    // A single result is drawn, with its range.
    EXPECT_EQ(labels(chart("Chart_Analysis")), QStringList{QStringLiteral("2026")});
    EXPECT_EQ(labels(chart("Chart_Analysis"), Chart::MaxLine), QStringList{QStringLiteral("2026")});
    EXPECT_EQ(chart("Chart_Analysis")->data().title, QStringLiteral("Evolution des analyses : Sodium"));
    EXPECT_TRUE(button(m_form.get(), "Btn_AnalysisValue_Edit")->isEnabled());

    // A range changed afterwards leaves the recorded result as it was.
    sql(QStringLiteral("UPDATE L_ANALYSIS SET Value_Min=130"));
    m_form->RefreshCurrentPage();
    EXPECT_EQ(number(QStringLiteral("SELECT Value_Min FROM ANALYSIS")), 135);
}

TEST_F(GrowthWindows, TheChosenAnalysisIsForgottenWithThePersonAndTheModeIsStored)
{
    const int tsh = follow(m_child, QStringLiteral("TSH"),
                           {{QStringLiteral("2025-01-10"), 1.2, 0.4, 4},
                            {QStringLiteral("2025-08-10"), 2.5, 0.5, 4.5},
                            {QStringLiteral("2026-02-01"), 3.1, 0.4, 4}});
    const int ferritin = follow(m_child, QStringLiteral("Ferritine"));
    selectPerson(m_child);
    showPage(TMainForm::Analysis);
    EXPECT_EQ(analysisPage()->currentAnalysis(), tsh) << "the person's first, in the database's order";
    EXPECT_EQ(labels(chart("Chart_Analysis")), (QStringList{QStringLiteral("2025"), QStringLiteral("2026")}));
    EXPECT_DOUBLE_EQ(chart("Chart_Analysis")->data().series[Chart::Value].points.at(0).value, 2.5);
    EXPECT_DOUBLE_EQ(chart("Chart_Analysis")->data().series[Chart::MaxLine].points.at(0).value, 4.5);

    button(m_form.get(), "Btn_Analysis")->click();
    pick(QStringLiteral("Ferritine"));
    EXPECT_EQ(analysisPage()->currentAnalysis(), ferritin);
    EXPECT_TRUE(labels(chart("Chart_Analysis")).isEmpty());
    EXPECT_FALSE(button(m_form.get(), "Btn_AnalysisValue_Delete")->isEnabled());

    selectPerson(m_other);
    EXPECT_EQ(analysisPage()->currentAnalysis(), -1);
    selectPerson(m_child);
    EXPECT_EQ(analysisPage()->currentAnalysis(), tsh);

    whenMenuOpens(QStringLiteral("Popup_Chart_Analysis_Type"),
                  {QStringLiteral("Années"), QStringLiteral("Dates")}, QStringLiteral("Années"),
                  QStringLiteral("Dates"));
    button(m_form.get(), "Btn_Chart_Analysis_Type")->click();
    EXPECT_EQ(number(QStringLiteral("SELECT AnalysisMode FROM PERSON WHERE Id=%1").arg(m_child)), 1);
    EXPECT_EQ(labels(chart("Chart_Analysis")).size(), 3);
}

TEST_F(GrowthWindows, StoppingAnAnalysisOrDeletingADefinitionTakesTheirResultsAndNoOneElses)
{
    const QList<std::tuple<QString, double, double, double>> two{{QStringLiteral("2025-01-10"), 1, 0, 2},
                                                                 {QStringLiteral("2025-02-10"), 1.5, 0, 2}};
    const int childTsh = follow(m_child, QStringLiteral("TSH"), two);
    const int childCrp = follow(m_child, QStringLiteral("CRP"), two);
    const int otherTsh = follow(m_other, QStringLiteral("TSH"), two);
    const int otherCrp = follow(m_other, QStringLiteral("CRP"), two);
    selectPerson(m_child);
    showPage(TMainForm::Analysis);
    ASSERT_EQ(analysisPage()->currentAnalysis(), childTsh);

    m_messages.queueAnswer(Messages::Answer::No);
    button(m_form.get(), "Btn_Analysis_Delete")->click();
    EXPECT_EQ(m_messages.texts().constLast(), QStringLiteral("Souhaitez-vous retirer cette analyses ?"));
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM L_ANALYSIS")), 4);
    button(m_form.get(), "Btn_Analysis_Delete")->click();
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM L_ANALYSIS WHERE Id=%1").arg(childTsh)), 0);
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM ANALYSIS WHERE Id_Ref=%1").arg(childTsh)), 0);
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM ANALYSIS WHERE Id_Ref=%1").arg(otherTsh)), 2);
    EXPECT_EQ(analysisPage()->currentAnalysis(), childCrp);

    NextModal::answer<TAnalysisList>([](TAnalysisList* list) {
        EXPECT_EQ(list->windowTitle(), QStringLiteral("Liste des analyses"));
        Dataset& definitions = list->panel()->query();
        ASSERT_TRUE(definitions.locate(QStringLiteral("Title"), QStringLiteral("CRP")));
        button(list, "Btn_Delete")->click();
        EXPECT_FALSE(definitions.locate(QStringLiteral("Title"), QStringLiteral("CRP")));
        button(list, "Btn_Close")->click();
    });
    m_form->findChild<QAction*>(QStringLiteral("Popup_List_Analysis"))->trigger();
    EXPECT_EQ(m_messages.texts().constLast(), QStringLiteral("Désirez-vous supprimer cette analyse ?"));
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM LST_ANALYSIS WHERE Title='CRP'")), 0);
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM L_ANALYSIS WHERE Id IN (%1, %2)")
                         .arg(childCrp)
                         .arg(otherCrp)),
              0);
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM ANALYSIS WHERE Id_Ref IN (%1, %2)")
                         .arg(childCrp)
                         .arg(otherCrp)),
              0);
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM ANALYSIS")), 2);
    // The visible page was shown again: the child follows nothing now.
    EXPECT_EQ(m_form->findChild<QLineEdit*>(QStringLiteral("Ed_Analysis"))->text(),
              QStringLiteral("Pas d'analyses"));
}

TEST_F(GrowthWindows, ANewDefinitionStartsWithTwoDecimalsAndNeedsATitle)
{
    TAnalysisList list(m_household.dm(), m_form.get());
    list.show();
    NextModal::answer<TEnterAnalysis>([](TEnterAnalysis* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Saisie d'une analyse"));
        EXPECT_FALSE(button(w, "Btn_Ok")->isEnabled());
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Ed_Decimal"))->text(), QStringLiteral("2"));
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Ed_Unit"))->toolTip(),
                  QStringLiteral("Double-cliquer pour enrichir"));
        type(w->findChild<QLineEdit*>(QStringLiteral("Ed_Title")), QStringLiteral("Lipase"));
        button(w, "Btn_Unit")->click();
        pick(QStringLiteral("UI/L"));
        type(w->findChild<QLineEdit*>(QStringLiteral("Ed_Max")), QStringLiteral("60"));
        button(w, "Btn_Ok")->click();
    });
    button(&list, "Btn_Add")->click();
    EXPECT_EQ(
        number(QStringLiteral("SELECT count(*) FROM LST_ANALYSIS WHERE Title='Lipase' AND Unit='UI/L' AND "
                              "Decimal=2 AND Value_Min=0 AND Value_Max=60")),
        1);
    EXPECT_TRUE(button(&list, "Btn_Edit")->isEnabled());
}

} // namespace
