// An older database brought up to date gets the search index its rows call
// for, and the index's triggers keep it in step on any connection.
#include "../search/SearchHits.h"
#include "Connection.h"
#include "DatabaseUpdate.h"
#include "HouseholdFixture.h"
#include "ProgramState.h"
#include "SearchIndex.h"
#include "SearchQuery.h"
#include "SqlRows.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QSqlQuery>

namespace {

using SearchHits::found;
using SearchHits::key;
using SqlRows::insert;

TEST(SearchIndexTest, AnOlderDatabaseGetsItsIndexBuiltAndEveryConnectionKeepsItInStep)
{
    HouseholdFixture home;
    const int zoe = home.addPerson(QStringLiteral("Lefèvre"), QStringLiteral("Zoé"));
    const int paul = home.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
    const int doctor = insert(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category, City) "
                                             "VALUES ('Docteur Roux', 'Dermatologue', 'Tours')"));
    const int consult =
        insert(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Date_Action, Remark1) "
                              "VALUES (%1, 1, %2, '2026-04-02', 'Bronchite asthmatiforme')")
                   .arg(zoe)
                   .arg(doctor));
    // Back to the layout before the index: rows there, no index, no text table.
    SearchIndex::remove(Connection::database());
    QSqlQuery q(Connection::database());
    for (const QString& sql :
         {QStringLiteral("DROP TABLE DOCUMENTTEXT"),
          QStringLiteral("UPDATE OBJECT_VAL_STR SET VALUE = '3.51' WHERE ID_CLASS = -99")})
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
    q.finish();

    const ProgramState& p = program();
    ASSERT_TRUE(DatabaseUpdate::updateOlderDatabase(p.folders, Connection::database().connectionName(),
                                                    p.db.databaseFolder, p.db.databaseFile(), nullptr, {}));
    EXPECT_EQ(found(QStringLiteral("bronchite")), QStringList{key(Search::Kind::Consultation, consult)});
    EXPECT_EQ(found(QStringLiteral("lefevre")), QStringList{key(Search::Kind::Identity, zoe)});

    // Another program writing to the file (here the sqlite3 shell) keeps the
    // index in step too: the triggers are the database's own.
    Connection::close();
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {p.db.databaseFile()});
    shell.write(QStringLiteral("INSERT INTO EVENT (Id_Ref, Description) VALUES (%1, 'Séjour à Noël');\n"
                               "DELETE FROM [ACTION] WHERE Id = %2;\n")
                    .arg(paul)
                    .arg(consult)
                    .toUtf8());
    shell.closeWriteChannel();
    ASSERT_TRUE(shell.waitForFinished(10000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    Connection::open(p.db);
    EXPECT_EQ(found(QStringLiteral("noel")).size(), 1);
    EXPECT_TRUE(found(QStringLiteral("bronchite")).isEmpty());
}

// A database of the layout before: its index rewritten by the triggers
// themselves. Brought up to date, the triggers only note what changed, the
// rows of before are all found, and what is entered afterwards too.
TEST(SearchIndexTest, AnIndexOfTheLayoutBeforeIsReplacedAndKeepsEveryRow)
{
    HouseholdFixture home;
    const int zoe = home.addPerson(QStringLiteral("Lefèvre"), QStringLiteral("Zoé"));
    QSqlQuery q(Connection::database());
    for (const QString& sql :
         {QStringLiteral("DROP TRIGGER SEARCH_CATCH_UP_RUN"), QStringLiteral("DROP VIEW SEARCH_CATCH_UP"),
          QStringLiteral("DROP TRIGGER SEARCH_ACTION_INSERT"), QStringLiteral("DROP TABLE SEARCH_PENDING"),
          QStringLiteral("CREATE TRIGGER SEARCH_ACTION_INSERT AFTER INSERT ON \"ACTION\" BEGIN INSERT INTO "
                         "SEARCH_INDEX (rowid, Body, Person, Date, Target) SELECT Entry, Body, Person, Date, "
                         "Target FROM SEARCH_SOURCE_CONSULTATION WHERE Id = new.Id; END"),
          QStringLiteral("UPDATE OBJECT_VAL_STR SET VALUE = '3.53' WHERE ID_CLASS = -99")})
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
    const int before = insert(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Remark1) VALUES (%1, 1, "
                                             "'Bronchite')")
                                  .arg(zoe));
    q.finish();

    const ProgramState& p = program();
    ASSERT_TRUE(DatabaseUpdate::updateOlderDatabase(p.folders, Connection::database().connectionName(),
                                                    p.db.databaseFolder, p.db.databaseFile(), nullptr, {}));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND "
                                      "name <> 'SEARCH_CATCH_UP_RUN' AND sql LIKE '%INTO SEARCH_INDEX%'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0) << "a trigger still writes the index itself";
    q.finish();
    const int after = insert(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Remark1) VALUES (%1, 1, "
                                            "'Bronchiolite')")
                                 .arg(zoe));
    EXPECT_EQ(found(QStringLiteral("bronch")).size(), 2);
    EXPECT_EQ(found(QStringLiteral("bronchiolite")), QStringList{key(Search::Kind::Consultation, after)});
    EXPECT_EQ(found(QStringLiteral("bronchite")), QStringList{key(Search::Kind::Consultation, before)});
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT VALUE FROM OBJECT_VAL_STR WHERE ID_CLASS = -99")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("3.54"));
}

} // namespace
