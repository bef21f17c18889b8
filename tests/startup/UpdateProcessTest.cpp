// The real program killed (SIGKILL) while it upgrades a database of the older
// layout, then started again: the second start finishes the update and the
// database passes the integrity check. BRIVOLINE_TEST_KILL_AFTER_MS kills at
// that moment instead of in the middle of the pictures (the campaign of
// tests/update_kill_campaign.sh).
#include "OlderLayout.h"
#include "Product.h"
#include "TestFolders.h"

#include <csignal>
#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

namespace {

using TestFolders::exists;
using TestFolders::readFile;

constexpr int kDocuments = 30;

class UpdateProcessTest : public ::testing::Test
{
protected:
    QString dataFolder() const
    {
        return m_home.path() + QStringLiteral("Documents/Halvorn Software Development/Brivoline/");
    }
    QString database() const { return dataFolder() + QStringLiteral("Data/Access/BRIVOLINE.MDB"); }
    QString log() const { return QString::fromUtf8(readFile(dataFolder() + QStringLiteral("Maj.Log"))); }

    std::unique_ptr<QProcess> start(bool quitAfterShow)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        const QString runtime = m_home.make(QStringLiteral("run"));
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), m_home.path() + QStringLiteral("Documents"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("BRIVOLINE_MESSAGE_LOG"), m_home.path() + QStringLiteral("messages.log"));
        if (quitAfterShow)
            env.insert(QStringLiteral("BRIVOLINE_QUIT_AFTER_SHOW"), QStringLiteral("1"));
        p->setProcessEnvironment(env);
        p->start(TestFolders::programFolder() + QStringLiteral("brivoline"), {});
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }

    QVariant scalar(const QString& sql) const
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("after-kill"));
        db.setDatabaseName(database());
        QVariant value;
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("after-kill"));
        return value;
    }

    TestFolders::Scratch m_home;
};

TEST_F(UpdateProcessTest, KilledInTheMiddleOfTheUpdateTheNextStartFinishesIt)
{
    OlderLayout::create(database(), {kDocuments, 1024, 768});
    const QByteArray delay = qgetenv("BRIVOLINE_TEST_KILL_AFTER_MS");

    auto first = start(false);
    QElapsedTimer waited;
    waited.start();
    // By default the kill comes while the pictures of the documents leave
    // their rows, in the middle of a guarded block.
    const QString midBlock = QStringLiteral("Images/Doc5.jpg");
    while (first->state() == QProcess::Running && waited.elapsed() < 60000) {
        if (delay.isEmpty() ? log().contains(midBlock) : waited.elapsed() >= delay.toInt())
            break;
        QThread::msleep(2);
    }
    ASSERT_EQ(first->state(), QProcess::Running) << "the update ended before the kill";
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    first->waitForFinished();

    EXPECT_EQ(scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    const QString killedLog = log();
    if (delay.isEmpty()) {
        ASSERT_FALSE(killedLog.contains(QStringLiteral("de la table DOCUMENTIMG (Ok)")));
        // The block was undone whole: its new column is not there and every
        // picture is still in its row; the script waits for the next start.
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTIMG WHERE length(Img) > 0")).toInt(),
                  kDocuments);
        EXPECT_FALSE(scalar(QStringLiteral("SELECT DoType FROM DOCUMENTIMG")).isValid());
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PERSON WHERE Img1 IS NULL")).toInt(), 3)
            << "the blocks before it stay done";
        EXPECT_TRUE(exists(dataFolder() + QStringLiteral("BD_351.maj")));
    }

    auto second = start(true);
    ASSERT_TRUE(second->waitForFinished(120000));
    EXPECT_EQ(second->exitCode(), 0)
        << readFile(m_home.path() + QStringLiteral("messages.log")).toStdString();
    EXPECT_TRUE(second->readAllStandardError().contains("shown-after-ms"));

    EXPECT_EQ(scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT VALUE FROM OBJECT_VAL_STR WHERE ID_CLASS=-99")).toString(),
              Product::databaseVersion);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTIMG WHERE Img IS NULL AND DoType=1")).toInt(),
        kDocuments);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SQL_TREE")).toInt(), 7) << "converted once";
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM LST_ANALYSIS")).toInt(), 28) << "inserted once";
    for (int id = 1; id <= kDocuments; ++id)
        EXPECT_TRUE(readFile(dataFolder() + QStringLiteral("Data/Images/Doc%1.jpg").arg(id))
                        .startsWith("\xFF\xD8\xFF"))
            << id;
    EXPECT_FALSE(exists(dataFolder() + QStringLiteral("BD_351.maj")));
    EXPECT_TRUE(log().endsWith(
        QStringLiteral("********************* MISE A JOUR TERMINE *********************\n\n")));
}

TEST_F(UpdateProcessTest, ScriptThatCannotGoOnEndsStartUpWithItsReason)
{
    TestFolders::writeFile(dataFolder() + QStringLiteral("zz.maj"), "// essai\nFieldExists(NOPE.X)\nEND\n");
    auto run = start(true);
    ASSERT_TRUE(run->waitForFinished(60000));
    EXPECT_EQ(run->exitCode(), 1);
    EXPECT_FALSE(run->readAllStandardError().contains("shown-after-ms")) << "no main window";
    const QStringList shown = QString::fromUtf8(readFile(m_home.path() + QStringLiteral("messages.log")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.last().startsWith(QStringLiteral("error\tMISE A JOUR IMPOSSIBLE !!")));
    EXPECT_TRUE(shown.last().contains(QStringLiteral("Ligne 2 du script « zz.maj » : la table « NOPE »")));
    EXPECT_TRUE(exists(dataFolder() + QStringLiteral("zz.maj"))) << "kept for the next start";
    EXPECT_TRUE(log().contains(QStringLiteral("ERREUR : Ligne 2 du script « zz.maj »")));
}

// A script that breaks the records: start-up points to the backup made
// just before it and, asked, puts it back and opens the records as they were.
TEST_F(UpdateProcessTest, BackupMadeBeforeAScriptThatBrokeTheRecordsIsPutBack)
{
    TestFolders::copyTemplate(database());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("arrange"));
        db.setDatabaseName(database());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(
            QStringLiteral("INSERT INTO PERSON (Name, ForeName) VALUES ('Durand', 'Élise')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("arrange"));
    TestFolders::writeFile(dataFolder() + QStringLiteral("zz.maj"), "SqlExe{DROP TABLE PERSON}\n");

    auto run = start(true);
    ASSERT_TRUE(run->waitForFinished(60000));
    const QStringList shown = QString::fromUtf8(readFile(m_home.path() + QStringLiteral("messages.log")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(run->exitCode(), 0) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run->readAllStandardError().contains("shown-after-ms"));
    const QStringList backups = QDir(dataFolder() + QStringLiteral("Backup/Maj/")).entryList(QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    ASSERT_EQ(shown.size(), 3) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(shown.at(0).startsWith(QStringLiteral("question\tSouhaitez-vous effectuer une sauvegarde")));
    EXPECT_EQ(shown.at(1),
              QStringLiteral(
                  "question\tLa mise à jour a laissé la base de données \"%1\" incomplète : il y manque la "
                  "table « PERSON ».\r\rLa sauvegarde \"%2\", faite juste avant la mise à jour, contient la "
                  "base de données telle qu'elle était.\rDésirez-vous la remettre en place ?")
                  .arg(database(), dataFolder() + QStringLiteral("Backup/Maj/") + backups.at(0)));
    EXPECT_EQ(
        shown.at(2),
        QStringLiteral("information\tLa base de données d'avant la mise à jour a été remise en place."));
    EXPECT_EQ(scalar(QStringLiteral("SELECT ForeName FROM PERSON")).toString(), QStringLiteral("Élise"));
    EXPECT_EQ(scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    EXPECT_FALSE(exists(dataFolder() + QStringLiteral("zz.maj")));
}

} // namespace
