// The printed reports on a real household database: the report statements,
// the templates, the layouts shipped in Reports/, the variables, and the
// files the health record and the chart printing leave behind (none).
#include "Connection.h"
#include "HouseholdFixture.h"
#include "PdfText.h"
#include "ReportError.h"
#include "ReportSamples.h"
#include "TDataModuleReport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>

namespace {

class ReportsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        Money::normaliseCurrencySymbol();
        m_person = ReportSamples::fillHousehold(m_household, 12);
    }

    QString shippedReports() const { return TestFolders::programFolder() + QStringLiteral("Reports/"); }

    // The shipped reports folder without some of its files.
    QString reportsWithout(const QStringList& left) const
    {
        const QString folder = m_scratch.make(QStringLiteral("Reports"));
        for (const QString& name : QDir(shippedReports()).entryList(QDir::Files))
            if (!left.contains(name))
                QFile::copy(shippedReports() + name, folder + name);
        return folder;
    }

    QString writePdf(const PreparedReport& report, const QString& name) const
    {
        const QString path = m_scratch.path() + name;
        report.writePdf(path);
        return path;
    }

    HouseholdFixture m_household;
    TestFolders::Scratch m_scratch;
    int m_person = -1;
};

} // namespace

TEST_F(ReportsTest, TitleVariableDropsTheFrenchAccentsAndTurnsToUpperCase)
{
    EXPECT_EQ(TDataModuleReport::titleVariable(QStringLiteral("Historique des médicaments")),
              QStringLiteral("HISTORIQUE DES MEDICAMENTS"));
    EXPECT_EQ(TDataModuleReport::titleVariable(QStringLiteral("éèêë àâä ùûü ôö îï ç Œuf Été")),
              QStringLiteral("EEEE AAA UUU OO II C ŒUF ÉTE"));
}

TEST_F(ReportsTest, HealthRecordDrawsTheChartsIntoItsPicturesAndRemovesTheirFiles)
{
    TDataModuleReport reports(shippedReports(), m_household.dataFolder());
    QList<QSize> asked;
    bool filesWereThere = false;
    const auto charts = [&](int personId, TDataModuleReport::Chart chart, QSize size) {
        EXPECT_EQ(personId, m_person);
        asked << size;
        filesWereThere = QFileInfo::exists(m_household.dataFolder() + QStringLiteral("weight.bmp"));
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(chart == TDataModuleReport::Chart::Weight ? QColor(200, 0, 0) : QColor(0, 150, 0));
        return picture;
    };
    const PreparedReport record = reports.healthRecord(m_person, charts);
    EXPECT_EQ(asked, (QList<QSize>{QSize(1600, 420), QSize(1600, 420)}));
    EXPECT_TRUE(filesWereThere);
    EXPECT_FALSE(QFileInfo::exists(m_household.dataFolder() + QStringLiteral("weight.bmp")));
    EXPECT_FALSE(QFileInfo::exists(m_household.dataFolder() + QStringLiteral("size.bmp")));
    EXPECT_FALSE(reports.ReportQuery.isActive());
    EXPECT_FALSE(reports.ReportQueryConsult.isActive());

    // Both charts are on the first page, in their own colours.
    const QImage first = record.pageImage(0, 600);
    bool red = false;
    bool green = false;
    for (int y = 0; y < first.height(); y += 2)
        for (int x = 0; x < first.width(); x += 2) {
            red |= first.pixelColor(x, y) == QColor(200, 0, 0);
            green |= first.pixelColor(x, y) == QColor(0, 150, 0);
        }
    EXPECT_TRUE(red && green);

    const QString text = PdfText::read(writePdf(record, QStringLiteral("Fich.pdf")));
    for (const char* expected : {"Dupont-Lefèvre Élodie", "Consultations et actes", "Dr Martin", "Otite",
                                 "Pharmacie du Marché", "Doliprane", "Vaccinations", "Mesures de poids",
                                 "12,500 kg", "Événements", "Varicelle", "Brivoline 3.51", "Page 1 / "})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    // The acts total: 12 acts of 25.00 plus cents 0..11.
    EXPECT_TRUE(text.contains(QStringLiteral("300,66 €"))) << text.toStdString();
}

TEST_F(ReportsTest, HealthRecordWithoutChartsStillPrintsAndAMissingLayoutIsNamed)
{
    TDataModuleReport reports(shippedReports(), m_household.dataFolder());
    EXPECT_GE(reports.healthRecord(m_person, {}).pageCount(), 1);
    // A record with nothing in it says so under each heading.
    const int newborn =
        ReportSamples::addPerson(m_household, QStringLiteral("Petit"), QStringLiteral("Léon"));
    const PreparedReport empty = reports.healthRecord(newborn, {});
    ASSERT_EQ(empty.pageCount(), 2);
    const QStringList texts = empty.texts(0) + empty.texts(1);
    for (const char* expected : {"Petit Léon", "Aucun acte enregistré.", "Aucune vaccination enregistrée.",
                                 "Aucun événement enregistré.", "Page 2 / 2"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;

    TDataModuleReport damaged(reportsWithout({QStringLiteral("Fich.frf")}), m_household.dataFolder());
    try {
        damaged.healthRecord(m_person, [](int, TDataModuleReport::Chart, QSize size) {
            return QImage(size, QImage::Format_RGB32);
        });
        ADD_FAILURE() << "no error";
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.text().contains(damaged.reportsFolder() + QStringLiteral("Fich.frf")));
    }
    EXPECT_FALSE(QFileInfo::exists(m_household.dataFolder() + QStringLiteral("weight.bmp")));
    EXPECT_FALSE(damaged.ReportQuery.isActive());
}

TEST_F(ReportsTest, ActsHistoryRunsOverPagesWithThePersonTheSumsAndThePageNumbers)
{
    const int busy = ReportSamples::addPerson(m_household, QStringLiteral("Martin"), QStringLiteral("Noé"));
    ReportSamples::addActs(busy, 1, 70, QStringLiteral("Consultation de contrôle"));
    TDataModuleReport reports(shippedReports(), m_household.dataFolder());
    const std::optional<PreparedReport> history = reports.actsHistory(busy);
    ASSERT_TRUE(history);
    ASSERT_EQ(history->pageCount(), 3);
    EXPECT_EQ(reports.variable(QStringLiteral("TITLE")), QStringLiteral("HISTORIQUE DES ACTES"));
    const QString pdf = writePdf(*history, QStringLiteral("acts.pdf"));
    EXPECT_EQ(PdfText::pageCount(pdf), 3);
    const QString text = PdfText::read(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Martin Noé")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page 2 / 3")));
    EXPECT_TRUE(text.contains(QStringLiteral("Total (70 actes)")));
    // 70 acts of 25.00 plus cents 0..69 = 1750 + 24.15.
    EXPECT_TRUE(text.contains(QStringLiteral("1774,15 €"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Fièvre"))); // another person's acts
    EXPECT_FALSE(reports.ReportQuery.isActive());
}

TEST_F(ReportsTest, AnEmptyListWithItsTemplateGivesNothingAndWithoutItTheLayoutPrintsAlone)
{
    const int nobody = ReportSamples::addPerson(m_household, QStringLiteral("Sans"), QStringLiteral("Actes"));
    TDataModuleReport shipped(shippedReports(), m_household.dataFolder());
    EXPECT_FALSE(shipped.actsHistory(nobody));
    EXPECT_FALSE(shipped.medicinesHistory(nobody));
    EXPECT_FALSE(shipped.ReportQuery.isActive());

    TDataModuleReport withoutTemplate(reportsWithout({QStringLiteral("ConsultList.rpt")}),
                                      m_household.dataFolder());
    const std::optional<PreparedReport> alone = withoutTemplate.actsHistory(nobody);
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->pageCount(), 1);
    EXPECT_TRUE(alone->texts(0).contains(QStringLiteral("Historique des actes")));
    // The rows' header and totals belong to rows there are not.
    EXPECT_FALSE(alone->texts(0).contains(QStringLiteral("Montant")));
    EXPECT_FALSE(withoutTemplate.ReportQuery.isActive());
}

TEST_F(ReportsTest, ReminderTablesListWhatIsOwedAndTheFlaggedBoosters)
{
    TDataModuleReport reports(shippedReports(), m_household.dataFolder());
    const PreparedReport tables = reports.reminderTables(m_person);
    const QString text = PdfText::read(writePdf(tables, QStringLiteral("tables.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("Dupont-Lefèvre Élodie")));
    // Of the 12 acts every third is reimbursed by both payers (ReportSamples).
    EXPECT_TRUE(text.contains(QStringLiteral("Total (8 actes)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("en attente")));
    EXPECT_TRUE(text.contains(QStringLiteral("ROR")));      // its booster is flagged
    EXPECT_FALSE(text.contains(QStringLiteral("Tétanos"))); // given, no booster flagged
    EXPECT_FALSE(reports.ReportQueryVaccine.isActive());
}

TEST_F(ReportsTest, ChartPrintingTitlesThePageAndRemovesItsPicture)
{
    TDataModuleReport reports(shippedReports(), m_household.dataFolder());
    QImage chart(1600, 1200, QImage::Format_RGB32);
    chart.fill(QColor(0, 0, 180));
    const PreparedReport printed = reports.chartReport(
        chart, QStringLiteral("Evolution du poids\nsecond line"), QStringLiteral("Dupont Élodie"));
    EXPECT_EQ(printed.title, QStringLiteral("Evolution du poids (Dupont Élodie)"));
    EXPECT_EQ(reports.variable(QStringLiteral("TITLE")),
              QStringLiteral("EVOLUTION DU POIDS (DUPONT ÉLODIE)"));
    EXPECT_TRUE(printed.texts(0).contains(QStringLiteral("EVOLUTION DU POIDS (DUPONT ÉLODIE)")));
    EXPECT_FALSE(QFileInfo::exists(m_household.dataFolder() + QStringLiteral("temp.bmp")));
    const QImage page = printed.pageImage(0, 420);
    EXPECT_EQ(page.pixelColor(210, 200), QColor(0, 0, 180));
}
