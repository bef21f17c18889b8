// The update at start: the shipped BD_351.maj on databases of the older
// layout it upgrades, the version rules, and the second pass.
#include "StartupUpdate.h"

#include "BmpFormat.h"
#include "DatabaseUpdate.h"
#include "DatabaseVersion.h"
#include "JpegIO.h"
#include "Messages.h"
#include "OlderLayout.h"
#include "Product.h"
#include "Schema.h"
#include "TestFolders.h"
#include "UpdateScript.h"

#include <gtest/gtest.h>
#include <map>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

using TestFolders::exists;
using TestFolders::readFile;
using TestFolders::writeFile;

// Everything a database holds, for telling whether a run changed anything.
QString contentOf(const QSqlDatabase& db)
{
    QStringList out;
    QSqlQuery tables(db);
    tables.exec(QStringLiteral("SELECT name, sql FROM sqlite_master ORDER BY name"));
    QStringList names;
    while (tables.next()) {
        out << tables.value(1).toString();
        if (tables.value(1).toString().startsWith(QLatin1String("CREATE TABLE")))
            names << tables.value(0).toString();
    }
    for (const QString& table : names) {
        QSqlQuery rows(db);
        rows.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
        while (rows.next()) {
            QStringList values;
            for (int i = 0; i < rows.record().count(); ++i)
                values << rows.value(i).toString() + QString::number(rows.value(i).toByteArray().size());
            out << table + QLatin1Char(':') + values.join(QLatin1Char('|'));
        }
    }
    return out.join(QLatin1Char('\n'));
}

// The columns of every table, with their Access type and size.
std::map<QString, QString> columnsOf(const QSqlDatabase& db)
{
    std::map<QString, QString> columns;
    QSqlQuery tables(db);
    tables.exec(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name<>'sqlite_sequence'"));
    while (tables.next()) {
        QSqlQuery info(db);
        info.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(tables.value(0).toString()));
        while (info.next()) {
            const auto type = Schema::typeFromDeclared(info.value(2).toString(), info.value(5).toInt() > 0);
            columns[(tables.value(0).toString() + QLatin1Char('.') + info.value(1).toString()).toUpper()] =
                type ? Schema::accessTypeName(type->type) + QString::number(type->size)
                     : QStringLiteral("?") + info.value(2).toString();
        }
    }
    return columns;
}

QStringList indexesOf(const QSqlDatabase& db)
{
    QStringList names;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' ORDER BY name"));
    while (q.next())
        names << q.value(0).toString();
    return names;
}

class StartupUpdateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folders = Folders::forProgramFolder(m_scratch.make(QStringLiteral("program")),
                                              m_scratch.path() + QStringLiteral("program/brivoline"));
        m_folders.data = m_scratch.make(QStringLiteral("data"));
        m_db.databaseFolder = m_folders.data + QStringLiteral("Data/");
        // The program folder's update scripts and trees, as the build stages them.
        for (const QString& folder :
             {QStringLiteral("Maj"), QStringLiteral("Query"), QStringLiteral("Stat")}) {
            QDir().mkpath(m_folders.program + folder);
            const QString from = TestFolders::programFolder() + folder + QLatin1Char('/');
            for (const QString& name : QDir(from).entryList(QDir::Files))
                QFile::copy(from + name, m_folders.program + folder + QLatin1Char('/') + name);
        }
    }
    void TearDown() override { Connection::close(); }

    void createOlder(const QString& file) { OlderLayout::create(file); }
    void openDatabase() { Connection::open(m_db); }
    void update()
    {
        openDatabase();
        StartupUpdate::run(m_folders, m_db, [this](const QString& text) { m_status << text; });
    }
    QString version() const
    {
        return GetBDVersion({}, QStringLiteral("OBJECT_VAL_STR"), QStringLiteral("VALUE"));
    }
    void setVersion(const QString& text)
    {
        QSqlQuery q(Connection::database());
        q.prepare(QStringLiteral("UPDATE OBJECT_VAL_STR SET VALUE=? WHERE ID_CLASS=-99"));
        q.addBindValue(text);
        ASSERT_TRUE(q.exec());
    }
    void setVersionThenUpdate(const QString& text)
    {
        if (!Connection::isOpen())
            openDatabase();
        setVersion(text);
        StartupUpdate::run(m_folders, m_db, {});
    }
    QString log() const { return QString::fromUtf8(readFile(m_folders.data + QStringLiteral("Maj.Log"))); }

    TestFolders::Scratch m_scratch;
    Folders m_folders;
    DbConfig m_db;
    QStringList m_status;
    Messages::Recorder m_messages;
};

TEST_F(StartupUpdateTest, OlderLayoutIsBroughtToTheTemplateAndASecondRunChangesNothing)
{
    createOlder(m_db.databaseFile());
    // One backup offer for each script of the chain, each declined.
    for (qsizetype i = 0;
         i < DatabaseUpdate::scriptsAfter(m_folders.program + QStringLiteral("Maj/"), 320).size(); ++i)
        m_messages.queueAnswer(Messages::Answer::No);
    update();

    // Every column of the template, with its type and size; nothing else.
    QSqlDatabase templ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("template"));
    templ.setDatabaseName(TestFolders::templateDatabase());
    ASSERT_TRUE(templ.open());
    const auto expected = columnsOf(templ);
    const auto upgraded = columnsOf(Connection::database());
    for (const auto& [column, type] : expected) {
        const auto found = upgraded.find(column);
        EXPECT_TRUE(found != upgraded.end() && found->second == type)
            << column.toStdString() << " " << type.toStdString() << " got "
            << (found == upgraded.end() ? std::string("nothing") : found->second.toStdString());
    }
    for (const auto& [column, type] : upgraded)
        EXPECT_TRUE(expected.count(column)) << "left over: " << column.toStdString();
    for (const QString& index : indexesOf(templ))
        EXPECT_TRUE(indexesOf(Connection::database()).contains(index)) << index.toStdString();
    EXPECT_EQ(contentOf(templ).count(QStringLiteral("LST_ANALYSIS:")),
              contentOf(Connection::database()).count(QStringLiteral("LST_ANALYSIS:")))
        << "the analysis catalogue of a new database";
    templ.close();
    templ = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("template"));

    // The rows and what the new columns say of them.
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*), sum(AnalysisMode) FROM PERSON")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 3);
    EXPECT_EQ(q.value(1).toInt(), 3);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM [ACTION] WHERE Repayment_Comp=0")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 2);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM DOCUMENTIMG WHERE DoType=1 AND Img IS NULL "
                                      "AND length(ImgMini)>0")) &&
                q.next());
    EXPECT_EQ(q.value(0).toInt(), 3);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Analysis_Unit FROM COMBOITEMS")) && q.next());
    EXPECT_TRUE(q.value(0).toString().startsWith(QStringLiteral("g/L\nmg/L\nµg/L")));
    EXPECT_TRUE(q.value(0).toString().endsWith(QStringLiteral("\nmL/min\ns")));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM SQL_TREE")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 7);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM STAT_QUERY WHERE Query LIKE '%{Montant}%'")) &&
                q.next());
    EXPECT_EQ(q.value(0).toInt(), 3);
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("ok"));

    // The pictures left the rows for files; the small photo was made again from the photo.
    const QString images = m_db.databaseFolder + QStringLiteral("Images/");
    Bitmap picture;
    ASSERT_TRUE(LoadJpegFile(picture, images + QStringLiteral("People1.jpg"), true));
    EXPECT_EQ(picture.width(), 300);
    EXPECT_EQ(picture.height(), 400);
    ASSERT_TRUE(LoadJpegFile(picture, images + QStringLiteral("People2.jpg"), true));
    EXPECT_EQ(picture.width(), 800);
    for (int id = 1; id <= 3; ++id) {
        ASSERT_TRUE(LoadJpegFile(picture, images + QStringLiteral("Doc%1.jpg").arg(id), true));
        EXPECT_EQ(picture.width(), 640);
        EXPECT_EQ(picture.height(), 480);
    }
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT ImgMini1, Img1 IS NULL FROM PERSON WHERE Id=1")) && q.next());
    const Bitmap small = BmpFormat::decode(q.value(0).toByteArray());
    EXPECT_EQ(small.width(), 115);
    EXPECT_EQ(small.height(), 115);
    EXPECT_EQ(small.scanLine(57)[0], 0xFF) << "white beside a portrait photo";
    EXPECT_TRUE(q.value(1).toBool());
    q.finish();

    EXPECT_EQ(version(), Product::databaseVersion);
    EXPECT_FALSE(exists(m_folders.data + QStringLiteral("BD_351.maj"))) << "deleted after its run";
    EXPECT_FALSE(exists(m_folders.data + QStringLiteral("BD_352.maj")));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM PERSON WHERE Sex IS NULL")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 3) << "no one's sex is known yet";
    q.finish();
    EXPECT_TRUE(log().contains(QStringLiteral("Compactage de la base de données (Ok)")));
    EXPECT_FALSE(log().contains(QStringLiteral("(error")));
    EXPECT_TRUE(m_status.contains(QStringLiteral("Mise à jour (préparation) ...")));
    EXPECT_FALSE(exists(m_folders.data + QStringLiteral("Backup/Maj"))) << "the backup was declined";

    // The same script once more: every block finds its change made.
    const QString before = contentOf(Connection::database());
    const QString logBefore = log();
    for (const QString& script : {QStringLiteral("BD_351.maj"), QStringLiteral("BD_352.maj")}) {
        QFile::copy(m_folders.program + QStringLiteral("Maj/") + script, m_folders.data + script);
        m_messages.queueAnswer(Messages::Answer::No);
    }
    update();
    EXPECT_EQ(contentOf(Connection::database()), before);
    const QString second = log().mid(logBefore.size());
    EXPECT_EQ(second.count(QStringLiteral("*** Mise à jour déjà effectuée ***")), 13 + 1)
        << "one for each block";
    EXPECT_FALSE(second.contains(QStringLiteral("(Ok)")));
}

TEST_F(StartupUpdateTest, VersionDecidesWhetherTheScriptOfThisVersionIsCopied)
{
    TestFolders::copyTemplate(m_db.databaseFile());
    // Current: nothing copied, nothing run, the row not written again.
    setVersionThenUpdate(Product::databaseVersion);
    EXPECT_FALSE(log().contains(QStringLiteral("BD_351.maj")));

    for (const QString& older : {QStringLiteral("3.6"), QStringLiteral("abc"), QStringLiteral("3.50")}) {
        setVersionThenUpdate(older);
        EXPECT_EQ(version(), Product::databaseVersion) << older.toStdString();
        EXPECT_FALSE(exists(m_folders.data + QStringLiteral("BD_351.maj")));
    }
    const QString ranThisVersion =
        QStringLiteral("Script de mise à jour : ") + m_folders.data + QStringLiteral("BD_351.maj");
    EXPECT_EQ(log().count(ranThisVersion), 3);

    // A missing version row counts as 0, and is added.
    QSqlQuery(Connection::database()).exec(QStringLiteral("DELETE FROM OBJECT_VAL_STR"));
    StartupUpdate::run(m_folders, m_db, {});
    EXPECT_EQ(version(), Product::databaseVersion);
    EXPECT_EQ(log().count(ranThisVersion), 4);

    // A developer's copy counts as current: only the scripts laid by hand run.
    writeFile(m_folders.developmentMarker, "");
    writeFile(m_folders.data + QStringLiteral("mine.maj"),
              "SqlExe{INSERT INTO EVENT (Description) VALUES ('dev')}\n");
    setVersionThenUpdate(QStringLiteral("3.20"));
    EXPECT_EQ(version(), Product::databaseVersion);
    EXPECT_EQ(log().count(ranThisVersion), 4) << "not copied for a developer's copy";
    EXPECT_EQ(QSqlQuery(QStringLiteral("SELECT 1 FROM EVENT WHERE Description='dev'"), Connection::database())
                  .next(),
              true);
    EXPECT_FALSE(exists(m_folders.data + QStringLiteral("mine.maj")));
}

TEST_F(StartupUpdateTest, TwoScriptsRunInNameOrderEachWithItsBackup)
{
    TestFolders::copyTemplate(m_db.databaseFile());
    writeFile(m_folders.data + QStringLiteral("b.maj"),
              "SqlExe{INSERT INTO EVENT (Description) VALUES ('b')}\n");
    writeFile(m_folders.data + QStringLiteral("a.maj"),
              "SqlExe{INSERT INTO EVENT (Description) VALUES ('a')}\n");
    update();
    EXPECT_EQ(m_messages.messages().size(), 2);
    EXPECT_EQ(QDir(m_folders.data + QStringLiteral("Backup/Maj")).entryList(QDir::Files).size(), 2);
    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral(
        "SELECT group_concat(Description, '') FROM (SELECT Description FROM EVENT ORDER BY Id)"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("ab"));
}

TEST_F(StartupUpdateTest, AScriptThatCannotGoOnStopsStartUpAndStaysForTheNextStart)
{
    TestFolders::copyTemplate(m_db.databaseFile());
    setVersionThenUpdate(Product::databaseVersion);
    writeFile(m_folders.data + QStringLiteral("x.maj"), "FieldExists(NOPE.X)\nEND\n");
    setVersion(QStringLiteral("3.40"));
    try {
        StartupUpdate::run(m_folders, m_db, {});
        ADD_FAILURE() << "the update must stop";
    } catch (const UpdateError& e) {
        const QString shown = StartupUpdate::failureMessage(e.text(), m_folders);
        EXPECT_TRUE(
            shown.startsWith(QStringLiteral("MISE A JOUR IMPOSSIBLE !!\r\rLigne 1 du script « x.maj » : la "
                                            "table « NOPE »")))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains(m_folders.data + QStringLiteral("Maj.Log")));
    }
    EXPECT_EQ(version(), QStringLiteral("3.40")) << "not written after a failed update";
    EXPECT_TRUE(exists(m_folders.data + QStringLiteral("x.maj")));
}

TEST_F(StartupUpdateTest, SecondPassUpgradesADatabaseLeftInTheProgramFolder)
{
    TestFolders::copyTemplate(m_db.databaseFile());
    const QString left = m_folders.program + QStringLiteral("Data/Access/BRIVOLINE.MDB");
    createOlder(left);
    update();
    EXPECT_EQ(version(), Product::databaseVersion);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("left"));
        db.setDatabaseName(left);
        ASSERT_TRUE(db.open());
        EXPECT_EQ(
            GetBDVersion(QStringLiteral("left"), QStringLiteral("OBJECT_VAL_STR"), QStringLiteral("VALUE")),
            Product::databaseVersion)
            << "written into the column the script made";
        EXPECT_TRUE(QFileInfo::exists(m_folders.program + QStringLiteral("Data/Images/Doc1.jpg")));
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM SQL_TREE")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), 7);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("left"));
    EXPECT_TRUE(exists(m_folders.program + QStringLiteral("Maj/BD_351.maj")))
        << "the program's own script stays";
    EXPECT_TRUE(m_messages.messages().isEmpty()) << "no backup offered for that file";

    // A file there that is no database: logged, start-up goes on.
    writeFile(left, QByteArray(4096, 'x'));
    EXPECT_NO_THROW(StartupUpdate::secondPass(m_folders, m_db));
    EXPECT_TRUE(
        log().contains(QStringLiteral("Base de données \"") + left + QStringLiteral("\" laissée en l'état")));
}

} // namespace
