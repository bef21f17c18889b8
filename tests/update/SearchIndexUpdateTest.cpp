// An older database brought up to date gets the search index its rows call
// for, and the index's triggers keep it in step on any connection.
#include "../search/SearchHits.h"
#include "Connection.h"
#include "DatabaseUpdate.h"
#include "HouseholdFixture.h"
#include "ProgramState.h"
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
    QSqlQuery q(Connection::database());
    QStringList drops;
    ASSERT_TRUE(
        q.exec(QStringLiteral("SELECT type, name FROM sqlite_master WHERE type IN ('trigger', 'view')")));
    while (q.next())
        drops << QStringLiteral("DROP %1 \"%2\"").arg(q.value(0).toString(), q.value(1).toString());
    drops << QStringLiteral("DROP TABLE SEARCH_INDEX") << QStringLiteral("DROP TABLE DOCUMENTTEXT")
          << QStringLiteral("UPDATE OBJECT_VAL_STR SET VALUE = '3.51' WHERE ID_CLASS = -99");
    for (const QString& drop : drops)
        ASSERT_TRUE(q.exec(drop)) << drop.toStdString();
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

} // namespace
