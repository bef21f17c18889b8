#include "DatabaseVersion.h"

#include "Product.h"
#include "TemplateDatabaseTest.h"

#include <QSqlDatabase>

namespace {

using DatabaseVersionTest = TemplateDatabaseTest;

TEST_F(DatabaseVersionTest, ReadsWritesAndCreatesTheVersionRow)
{
    const QString table = QStringLiteral("OBJECT_VAL_STR");
    EXPECT_EQ(GetBDVersion({}, table, QStringLiteral("VALUE")), Product::databaseVersion);

    exec(QStringLiteral("DELETE FROM OBJECT_VAL_STR"));
    exec(QStringLiteral(
        "INSERT INTO OBJECT_VAL_STR (ID_CLASS, ID_ATTRIBUTE, USERID, VALUE) VALUES (-99, -99, 1, 'x')"));
    EXPECT_EQ(GetBDVersion({}, table, QStringLiteral("VALUE")), QStringLiteral("0"));

    SetBDVersion({}, table, QStringLiteral("VALUE"), QStringLiteral("3.40"));
    EXPECT_EQ(GetBDVersion({}, table, QStringLiteral("VALUE")), QStringLiteral("3.40"));
    SetBDVersion({}, table, QStringLiteral("VALUE"), QStringLiteral("3.51"));
    EXPECT_EQ(GetBDVersion({}, table, QStringLiteral("VALUE")), QStringLiteral("3.51"));
    EXPECT_EQ(count(table, QStringLiteral("WHERE ID_CLASS=-99 AND ID_ATTRIBUTE=-99 AND USERID=-99")), 1);
    EXPECT_EQ(count(table), 2) << "the other row is left alone";

    // A column that is not there reads as version 0.
    EXPECT_EQ(GetBDVersion({}, table, QStringLiteral("VAL")), QStringLiteral("0"));
}

TEST_F(DatabaseVersionTest, OlderFilesKeepTheVersionInVal)
{
    const QString name = QStringLiteral("older-file");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_scratch.path() + QStringLiteral("old.mdb"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(
            q.exec(QStringLiteral("CREATE TABLE OBJECT_VAL_STR (ID_CLASS INTEGER, ID_ATTRIBUTE INTEGER, "
                                  "USERID INTEGER, VAL TEXT(255))")));
    }
    const QString table = QStringLiteral("OBJECT_VAL_STR");
    EXPECT_EQ(GetBDVersion(name, table, QStringLiteral("VAL")), QStringLiteral("0"));
    SetBDVersion(name, table, QStringLiteral("VAL"), QStringLiteral("3.2"));
    EXPECT_EQ(GetBDVersion(name, table, QStringLiteral("VAL")), QStringLiteral("3.2"));
    EXPECT_EQ(GetBDVersion(name, table, QStringLiteral("VALUE")), QStringLiteral("0"));
    // The program's own file was not touched.
    EXPECT_EQ(GetBDVersion({}, table, QStringLiteral("VALUE")), Product::databaseVersion);
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

} // namespace
