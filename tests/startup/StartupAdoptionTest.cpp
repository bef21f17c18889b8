// A Windows database found where the program expects its own: the question
// at start, the conversion in place with the Windows file kept in Backup/,
// and every way of not going on leaving the data folder as it was.
#include "StartupAdoption.h"

#include "Connection.h"
#include "JetConversion.h"
#include "JetFile.h"
#include "JetHousehold.h"
#include "JetSamples.h"
#include "Messages.h"
#include "Product.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

class StartupAdoptionTest : public ::testing::Test
{
protected:
    StartupAdoptionTest()
    {
        m_folders.program = TestFolders::programFolder();
        m_folders.data = m_scratch.path();
        m_db.databaseFolder = m_scratch.make(QStringLiteral("Data"));
    }
    void windowsDatabase(const JetWriter::Options& options = {})
    {
        JetSamples::olderHousehold(m_scratch.path() + QStringLiteral("source.db"));
        QDir().mkpath(m_db.databaseFolder + QStringLiteral("Access"));
        JetHousehold::copy(m_scratch.path() + QStringLiteral("source.db"), m_db.databaseFile(), options);
        TestFolders::writeFile(m_db.databaseFolder + QStringLiteral("Images/Doc1.jpg"), "déjà là");
        m_jet = TestFolders::readFile(m_db.databaseFile());
    }
    QStringList backups() const
    {
        return QDir(m_folders.data + QStringLiteral("Backup")).entryList(QDir::Files);
    }
    void expectAsItWas()
    {
        EXPECT_EQ(TestFolders::readFile(m_db.databaseFile()), m_jet);
        EXPECT_EQ(QDir(m_db.databaseFolder + QStringLiteral("Images")).entryList(QDir::Files),
                  QStringList{QStringLiteral("Doc1.jpg")});
        EXPECT_TRUE(backups().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(m_db.databaseFolder + QStringLiteral(".conversion")));
    }
    QString version() const
    {
        QString v;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("adopted"));
            db.setDatabaseName(m_db.databaseFile());
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT VALUE FROM OBJECT_VAL_STR WHERE ID_CLASS = -99")) && q.next())
                v = q.value(0).toString();
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("adopted"));
        return v;
    }

    TestFolders::Scratch m_scratch;
    Folders m_folders;
    DbConfig m_db;
    QByteArray m_jet;
};

} // namespace

// Converted where it was found: the Windows file kept whole in Backup/
// under a dated name, the pictures out of its rows in Images/ beside the
// one already there, which stays as it was.
TEST_F(StartupAdoptionTest, ConvertedInPlaceTheWindowsFileKeptInBackup)
{
    windowsDatabase();
    const QString kept = StartupAdoption::adopt(m_folders, m_db, {});

    EXPECT_FALSE(Jet::looksLikeJet(m_db.databaseFile()));
    EXPECT_EQ(version(), Product::databaseVersion);
    EXPECT_EQ(backups(), QStringList{QFileInfo(kept).fileName()});
    EXPECT_TRUE(QFileInfo(kept).fileName().startsWith(QStringLiteral("BRIVOLINE_WINDOWS_")));
    EXPECT_EQ(TestFolders::readFile(kept), m_jet);
    EXPECT_EQ(TestFolders::readFile(m_db.databaseFolder + QStringLiteral("Images/Doc1.jpg")),
              QByteArray("déjà là"));
    EXPECT_TRUE(TestFolders::readFile(m_db.databaseFolder + QStringLiteral("Images/Doc2.jpg"))
                    .startsWith("\xFF\xD8\xFF"));
    EXPECT_TRUE(TestFolders::readFile(m_db.databaseFolder + QStringLiteral("Images/People1.jpg"))
                    .startsWith("\xFF\xD8\xFF"));
    EXPECT_FALSE(QFileInfo::exists(m_db.databaseFolder + QStringLiteral(".conversion")));
}

// "Non", a file the program cannot take, a cancel: start-up stops, nothing
// changed. A database of the program's own passes without a word.
TEST_F(StartupAdoptionTest, EveryWayOfNotGoingOnLeavesTheFolderAsItWas)
{
    windowsDatabase();
    {
        Messages::Recorder messages;
        messages.queueAnswer(Messages::Answer::No);
        EXPECT_FALSE(StartupAdoption::offerAtStart(m_folders, m_db));
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_EQ(messages.messages().first().icon, Messages::Icon::Question);
        EXPECT_TRUE(
            messages.texts().first().contains(QStringLiteral("version Windows du logiciel (version 3.20)")));
    }
    expectAsItWas();
    EXPECT_THROW(StartupAdoption::adopt(m_folders, m_db,
                                        [](const QString& step, qint64, qint64) {
                                            return !step.startsWith(QStringLiteral("Mise à jour"));
                                        }),
                 JetConversion::Cancelled);
    expectAsItWas();

    windowsDatabase(JetWriter::Options{QStringLiteral("motdepasse"), false, true, 43000});
    {
        Messages::Recorder messages;
        EXPECT_FALSE(StartupAdoption::offerAtStart(m_folders, m_db));
        ASSERT_EQ(messages.messages().size(), 1) << "refused before any question";
        EXPECT_EQ(messages.messages().first().icon, Messages::Icon::Error);
        EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("protégée par un mot de passe")));
        EXPECT_TRUE(
            messages.texts().first().contains(QStringLiteral("le démarrage du logiciel est interrompu")));
    }
    expectAsItWas();

    TestFolders::copyTemplate(m_db.databaseFile());
    Messages::Recorder messages;
    EXPECT_TRUE(StartupAdoption::offerAtStart(m_folders, m_db));
    EXPECT_TRUE(messages.messages().isEmpty());
}

// The real program started on a data folder where the Windows data were
// copied over: the question answered Yes, the conversion, the main window.
TEST(StartupAdoptionProcess, ProgramStartsOnTheConvertedWindowsDatabase)
{
    TestFolders::Scratch home;
    const QString data = home.path() + QStringLiteral("Documents/Halvorn Software Development/Brivoline/");
    const QString database = data + QStringLiteral("Data/Access/BRIVOLINE.MDB");
    JetSamples::olderHousehold(home.path() + QStringLiteral("source.db"));
    QDir().mkpath(QFileInfo(database).path());
    JetHousehold::copy(home.path() + QStringLiteral("source.db"), database);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    const QString runtime = home.make(QStringLiteral("run"));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), home.path() + QStringLiteral("Documents"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("BRIVOLINE_MESSAGE_LOG"), home.path() + QStringLiteral("messages.log"));
    env.insert(QStringLiteral("BRIVOLINE_QUIT_AFTER_SHOW"), QStringLiteral("1"));
    program.setProcessEnvironment(env);
    program.start(TestFolders::programFolder() + QStringLiteral("brivoline"), {});
    ASSERT_TRUE(program.waitForFinished(120000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(program.readAllStandardError().contains("shown-after-ms"));

    const QString log =
        QString::fromUtf8(TestFolders::readFile(home.path() + QStringLiteral("messages.log")));
    EXPECT_TRUE(log.contains(QStringLiteral("Souhaitez-vous la convertir maintenant ?"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("La base de données Windows a été convertie.")))
        << qPrintable(log);
    EXPECT_FALSE(Jet::looksLikeJet(database));
    EXPECT_EQ(QDir(data + QStringLiteral("Backup"))
                  .entryList({QStringLiteral("BRIVOLINE_WINDOWS_*.MDB")}, QDir::Files)
                  .size(),
              1);
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("Data/Images/Doc1.jpg")));
}
