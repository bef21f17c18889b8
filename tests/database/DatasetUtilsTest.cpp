#include "DatasetUtils.h"

#include "Dataset.h"
#include "Errors.h"
#include "TemplateDatabaseTest.h"

#include <QSignalSpy>

namespace {

class DatasetUtilsTest : public TemplateDatabaseTest
{
protected:
    void SetUp() override
    {
        TemplateDatabaseTest::SetUp();
        for (const char* title : {"Glycémie", "Cholestérol", "Ferritine"})
            exec(QStringLiteral("INSERT INTO L_ANALYSIS (Id_Ref, Id_Analysis, Title) VALUES (1, 0, ?)"),
                 {QString::fromUtf8(title)});
        m_analyses.setSql(QStringList{QStringLiteral("SELECT *"), QStringLiteral("FROM L_ANALYSIS"),
                                      QStringLiteral("WHERE L_ANALYSIS.Id_Analysis>-1"),
                                      QStringLiteral("ORDER BY TITLE")});
    }

    int idOf(const QString& title)
    {
        return scalar(QStringLiteral("SELECT Id FROM L_ANALYSIS WHERE Title='%1'").arg(title)).toInt();
    }

    Dataset m_analyses{QStringLiteral("L_Analysis")};
};

TEST_F(DatasetUtilsTest, ReopenKeepsTheRowOrFallsBackOnTheFirst)
{
    m_analyses.open();
    m_analyses.locateId(idOf(QStringLiteral("Glycémie")));
    QSignalSpy moves(&m_analyses, &Dataset::currentChanged);
    exec(QStringLiteral("INSERT INTO L_ANALYSIS (Id_Ref, Id_Analysis, Title) VALUES (1, 0, 'Albumine')"));
    DatasetUtils::reopenOnSameRow(m_analyses);
    EXPECT_EQ(m_analyses.recordCount(), 4);
    EXPECT_EQ(m_analyses.field(QStringLiteral("Title")).asString(), QStringLiteral("Glycémie"));
    EXPECT_EQ(moves.count(), 1) << "widgets hear of the reopening once";

    exec(QStringLiteral("DELETE FROM L_ANALYSIS WHERE Title='Glycémie'"));
    DatasetUtils::reopenOnSameRow(m_analyses);
    EXPECT_EQ(m_analyses.currentRow(), 0);
    EXPECT_EQ(m_analyses.field(QStringLiteral("Title")).asString(), QStringLiteral("Albumine"));

    // No Id to read: reopened on the first row all the same.
    Dataset titles(QStringLiteral("Titles"));
    titles.setSql(QStringLiteral("SELECT Title FROM L_ANALYSIS ORDER BY Title DESC"));
    titles.open();
    titles.last();
    DatasetUtils::reopenOnSameRow(titles);
    EXPECT_EQ(titles.currentRow(), 0);
    EXPECT_EQ(titles.field(QStringLiteral("Title")).asString(), QStringLiteral("Ferritine"));
}

TEST_F(DatasetUtilsTest, ReplacesTheFirstWhereLineAndOpens)
{
    exec(QStringLiteral("INSERT INTO L_ANALYSIS (Id_Ref, Id_Analysis, Title) VALUES (2, 0, 'Urée')"));
    DatasetUtils::replaceWhereLine(m_analyses, QStringLiteral("WHERE L_Analysis.Id_Ref=2"));
    EXPECT_TRUE(m_analyses.isActive());
    EXPECT_EQ(m_analyses.recordCount(), 1);
    EXPECT_EQ(DatasetUtils::lineOfKeyword(m_analyses.sql(), QStringLiteral("where")), 2);
    EXPECT_EQ(DatasetUtils::lineOfKeyword(m_analyses.sql(), QStringLiteral("ORDER BY")), 3);
    EXPECT_EQ(DatasetUtils::lineOfKeyword(m_analyses.sql(), QStringLiteral("HAVING")), -1);
    // A keyword inside a longer word counts.
    EXPECT_EQ(DatasetUtils::lineOfKeyword({QStringLiteral("SELECT NOWHERE"), QStringLiteral("WHERE x")},
                                          QStringLiteral("WHERE")),
              0);

    DatasetUtils::replaceWhereLine(m_analyses, QStringLiteral("WHERE L_Analysis.Id_Ref=99"));
    EXPECT_TRUE(DatasetUtils::isEmpty(m_analyses));
}

TEST_F(DatasetUtilsTest, EditAndSaveOnlyWhenNeeded)
{
    m_analyses.open();
    DatasetUtils::saveIfEditing(m_analyses); // browsing: nothing happens
    DatasetUtils::editIfNeeded(m_analyses);
    m_analyses.field(QStringLiteral("Unit")).setAsString(QStringLiteral("g/l"));
    DatasetUtils::editIfNeeded(m_analyses); // already editing: the change stays
    EXPECT_TRUE(m_analyses.isModified());
    DatasetUtils::saveIfEditing(m_analyses);
    EXPECT_EQ(m_analyses.state(), Dataset::State::Browse);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Unit FROM L_ANALYSIS WHERE Title='Cholestérol'")).toString(),
              QStringLiteral("g/l"));
}

TEST_F(DatasetUtilsTest, RunsStatementsAndReadsNumbers)
{
    Dataset query(QStringLiteral("Query"));
    const int id = idOf(QStringLiteral("Ferritine"));
    DatasetUtils::runStatement(query, QStringLiteral("DELETE FROM L_ANALYSIS WHERE Id=%1").arg(id));
    EXPECT_FALSE(query.isActive());
    EXPECT_EQ(count(QStringLiteral("L_ANALYSIS")), 2);
    EXPECT_THROW(DatasetUtils::runStatement(query, QStringLiteral("DELETE FROM NOWHERE_TABLE")),
                 DatabaseError);

    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT id FROM L_ANALYSIS Where Id=%1").arg(id)), -1);
    const int kept = idOf(QStringLiteral("Cholestérol"));
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT id FROM L_ANALYSIS Where Id=%1").arg(kept)),
              kept);
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT count(*) FROM L_ANALYSIS")), 2);
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT Unit FROM L_ANALYSIS")), -1) << "empty value";
    EXPECT_THROW(DatasetUtils::readNumber(QStringLiteral("SELECT nothing FROM L_ANALYSIS")), DatabaseError);
}

TEST(StatementFromFileTest, ReplacesClausesAndPlacesHaving)
{
    TestFolders::Scratch scratch;
    const QString file = scratch.path() + QStringLiteral("Liste.rpt");
    const auto fromLines = [&](const QStringList& lines, const DatasetUtils::Clauses& clauses) {
        TestFolders::writeFile(file,
                               (QStringLiteral("Titre\r\n") + lines.join(QStringLiteral("\r\n"))).toUtf8());
        return DatasetUtils::statementFromFile(file, true, clauses);
    };
    const QStringList report{QStringLiteral("SELECT Id_Ref, Sum(Price) AS Total"),
                             QStringLiteral("FROM [ACTION]"), QStringLiteral("WHERE Tag=1"),
                             QStringLiteral("GROUP BY Id_Ref"), QStringLiteral("ORDER BY Id_Ref")};
    EXPECT_EQ(
        fromLines(report, {{}, QStringLiteral("Tag=2"), QStringLiteral("Sum(Price)>0"), {}}),
        QStringLiteral("SELECT Id_Ref, Sum(Price) AS Total\nFROM [ACTION]\nWHERE Tag=2\nGROUP BY Id_Ref\n"
                       "HAVING Sum(Price)>0\nORDER BY Id_Ref"));
    const QStringList unordered = report.mid(0, 4);
    EXPECT_TRUE(fromLines(unordered, {{}, {}, QStringLiteral("Total>0"), {}})
                    .endsWith(QStringLiteral("GROUP BY Id_Ref\nHAVING Total>0")));
    QStringList withHaving = report;
    withHaving.insert(4, QStringLiteral("HAVING Sum(Price)>100"));
    EXPECT_EQ(
        fromLines(withHaving,
                  {QStringLiteral("VACCINE"), {}, QStringLiteral("Total>5"), QStringLiteral("Total DESC")}),
        QStringLiteral("SELECT Id_Ref, Sum(Price) AS Total\nFROM VACCINE\nWHERE Tag=1\nGROUP BY Id_Ref\n"
                       "HAVING Total>5\nORDER BY Total DESC"));
    EXPECT_THROW(fromLines(unordered, {{}, {}, {}, QStringLiteral("Id")}), DatabaseError);

    TestFolders::writeFile(file,
                           "Synthèse des remboursements\r\nSELECT *\r\nFROM [ACTION]\r\nWHERE Tag=1\r\n");
    EXPECT_EQ(DatasetUtils::statementFromFile(file, true, {{}, QStringLiteral("Id_Ref=3"), {}, {}}),
              QStringLiteral("SELECT *\nFROM [ACTION]\nWHERE Id_Ref=3"));
    EXPECT_THROW(DatasetUtils::statementFromFile(scratch.path() + QStringLiteral("none.rpt"), false, {}),
                 DatabaseError);
}

} // namespace
