// The real program, started as a separate process in a scratch home folder.
#include "DatabaseRecovery.h"
#include "IniFile.h"
#include "Provisioning.h"
#include "SingleInstance.h"
#include "SmallDisk.h"
#include "StartupSequence.h"
#include "TestFolders.h"
#include "WriteTest.h"

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using TestFolders::exists;
using TestFolders::readFile;
using TestFolders::writeFile;

class ProgramRun : public ::testing::Test
{
protected:
    QString dataFolder() const
    {
        return m_home.path() + QStringLiteral("Documents/Halvorn Software Development/Brivoline/");
    }
    QString lockFile() const { return m_home.path() + QStringLiteral("run/BRIVOLINE.lock"); }

    std::unique_ptr<QProcess> start(const QString& executable = TestFolders::programFolder() +
                                                                QStringLiteral("brivoline"),
                                    bool quitAfterShow = false)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        // Qt only takes a runtime folder that is private to the user.
        const QString runtime = m_home.make(m_runtime);
        QFile::setPermissions(runtime,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), m_home.path() + QStringLiteral("Documents"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("BRIVOLINE_MESSAGE_LOG"), messageLog());
        if (quitAfterShow)
            env.insert(QStringLiteral("BRIVOLINE_QUIT_AFTER_SHOW"), QStringLiteral("1"));
        p->setProcessEnvironment(env);
        if (!m_workingDirectory.isEmpty())
            p->setWorkingDirectory(m_workingDirectory);
        if (m_unprivileged && ::geteuid() == 0)
            p->setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(TestFolders::kNobody) != 0 ||
                    ::setuid(TestFolders::kNobody) != 0)
                    ::_exit(255);
            });
        p->start(executable, {});
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }
    // The first instance is up once it holds the lock and has provisioned its
    // data folder (the sort list is the last file it copies).
    void waitUntilRunning(QProcess& p)
    {
        for (int i = 0;
             i < 400 && !(exists(lockFile()) && exists(dataFolder() + QStringLiteral("SortList.def"))); ++i)
            QThread::msleep(50);
        QThread::msleep(1000);
        ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().toStdString();
    }
    static int finish(QProcess& p)
    {
        EXPECT_TRUE(p.waitForFinished(30000));
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString messageLog() const { return m_home.path() + QStringLiteral("messages.log"); }
    QStringList messages() const
    {
        QStringList lines = QString::fromUtf8(readFile(messageLog())).split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }
    // Every file of the scratch home with its size and time, to tell whether anything changed.
    QStringList snapshot() const
    {
        QStringList entries;
        QDirIterator it(m_home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (info.filePath() != messageLog())
                entries << info.filePath() + QLatin1Char(' ') + QString::number(info.size()) +
                               QLatin1Char(' ') + QString::number(info.lastModified().toMSecsSinceEpoch());
        }
        entries.sort();
        return entries;
    }

    QString databaseFile() const { return dataFolder() + QStringLiteral("Data/Access/BRIVOLINE.MDB"); }
    static QString program() { return TestFolders::programFolder() + QStringLiteral("brivoline"); }
    // Starts the program until its window shows, or until it stops; returns its exit code.
    int runOnce()
    {
        QFile::remove(messageLog());
        auto run = start(program(), true);
        const int code = finish(*run);
        m_shown = run->readAllStandardError().contains("shown-after-ms");
        return code;
    }
    // From now on the program runs as "nobody" when the tests run as root;
    // the scratch home becomes that user's.
    void runUnprivileged()
    {
        m_unprivileged = true;
        m_home.make(QStringLiteral("run"));
        if (::geteuid() != 0)
            return;
        QDirIterator it(m_home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        ASSERT_EQ(
            ::chown(QFile::encodeName(m_home.path()).constData(), TestFolders::kNobody, TestFolders::kNobody),
            0);
        while (it.hasNext())
            ASSERT_EQ(
                ::chown(QFile::encodeName(it.next()).constData(), TestFolders::kNobody, TestFolders::kNobody),
                0);
    }
    // Whether "nobody" may reach and run the built program at all.
    static bool programReachableByOthers()
    {
        struct stat info;
        for (QString path = program(); path != QLatin1String("/"); path = QFileInfo(path).path())
            if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !(info.st_mode & S_IXOTH))
                return false;
        return true;
    }

    TestFolders::Scratch m_home;
    QString m_runtime = QStringLiteral("run"); // another one stands for another login
    QString m_workingDirectory;
    bool m_unprivileged = false;
    bool m_shown = false;
};

TEST_F(ProgramRun, SecondInstanceIsRefusedAndTerminationClosesInOrder)
{
    auto first = start();
    waitUntilRunning(*first);
    const QStringList before = snapshot();

    auto second = start();
    EXPECT_EQ(finish(*second), 0);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("information\tBrivoline est déjà en exécution.")});
    EXPECT_EQ(snapshot(), before) << "the second process touches no file";

    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    EXPECT_EQ(finish(*first), 0) << first->readAllStandardError().toStdString();
    const IniFile ini = IniFile::load(dataFolder() + QStringLiteral("brivoline.ini"));
    ASSERT_TRUE(ini.exists());
    EXPECT_EQ(ini.value(QStringLiteral("Windows"), QStringLiteral("Width")), QStringLiteral("800"));
    EXPECT_EQ(ini.value(QStringLiteral("Windows"), QStringLiteral("Height")), QStringLiteral("600"));
    EXPECT_EQ(ini.value(QStringLiteral("Windows"), QStringLiteral("State")), QStringLiteral("wsNormal"));
    EXPECT_EQ(ini.value(QStringLiteral("Properties"), QStringLiteral("FirstLaunch")), QStringLiteral("0"));
    EXPECT_FALSE(exists(dataFolder() + QStringLiteral("write.tmp")));
}

// Another login (its own runtime folder) on the same records: refused before
// anything is written, naming who holds them; free again once the first ends.
TEST_F(ProgramRun, SecondSessionOnTheSameRecordsIsRefusedNamingItsHolder)
{
    auto first = start();
    waitUntilRunning(*first);
    const auto withoutRuntimes = [](QStringList entries) {
        entries.removeIf([](const QString& e) { return e.contains(QStringLiteral("/run")); });
        return entries;
    };
    const QStringList before = withoutRuntimes(snapshot());

    m_runtime = QStringLiteral("run-autre-session");
    auto second = start();
    EXPECT_EQ(finish(*second), 1);
    const QStringList shown = messages();
    ASSERT_EQ(shown.size(), 1) << shown.join(QLatin1Char('\n')).toStdString();
    const struct passwd* me = ::getpwuid(::geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_TRUE(shown.at(0).startsWith(
        QStringLiteral("warning\tLes données \"%1\" sont déjà ouvertes par Brivoline "
                       "dans une autre session (utilisateur « %2 » sur l'ordinateur "
                       "« %3 », processus %4).")
            .arg(databaseFile(), QString::fromLocal8Bit(me->pw_name), QSysInfo::machineHostName())
            .arg(first->processId())))
        << shown.at(0).toStdString();
    EXPECT_EQ(withoutRuntimes(snapshot()), before) << "the second session writes nothing";
    EXPECT_FALSE(second->readAllStandardError().contains("shown-after-ms"));

    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    EXPECT_EQ(finish(*first), 0);
    EXPECT_EQ(runOnce(), 0);
    EXPECT_TRUE(m_shown) << messages().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ProgramRun, LockOfAProcessThatDiedDoesNotBlock)
{
    auto first = start();
    waitUntilRunning(*first);
    first->kill();
    first->waitForFinished();
    ASSERT_TRUE(exists(lockFile()));

    EXPECT_EQ(runOnce(), 0);
    EXPECT_TRUE(m_shown);
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();

    // Killed between creating the lock and writing its id into it.
    writeFile(lockFile(), QByteArray());
    EXPECT_EQ(runOnce(), 0);
    EXPECT_TRUE(m_shown);
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ProgramRun, DamagedDatabaseEndsStartUpWithBothMessages)
{
    const QString database = dataFolder() + QStringLiteral("Data/Access/BRIVOLINE.MDB");
    writeFile(database, QByteArray(8192, '\x5a'));
    auto run = start(TestFolders::programFolder() + QStringLiteral("brivoline"), true);
    EXPECT_EQ(finish(*run), 1);
    const QStringList shown = messages();
    ASSERT_EQ(shown.size(), 2) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(shown.at(0).startsWith(QStringLiteral("plain\tImpossible d'ouvrir la base de données")));
    EXPECT_EQ(shown.at(1), QStringLiteral("error\t") + StartupSequence::kConnectionFailedMessage);
    EXPECT_EQ(readFile(database), QByteArray(8192, '\x5a'));
    EXPECT_FALSE(run->readAllStandardError().contains("shown-after-ms"));
}

TEST_F(ProgramRun, ProgramWithoutItsTemplateRefusesToStart)
{
    const QString program = m_home.make(QStringLiteral("bare"));
    ASSERT_TRUE(QFile::copy(TestFolders::programFolder() + QStringLiteral("brivoline"),
                            program + QStringLiteral("brivoline")));
    QFile::setPermissions(program + QStringLiteral("brivoline"),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    writeFile(program + QStringLiteral("directories.ini"), "[Path]\nAppDataDir=appexe\n");
    auto run = start(program + QStringLiteral("brivoline"), true);
    EXPECT_EQ(finish(*run), 1);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("warning\t") + Provisioning::kMissingComponentsMessage});
    EXPECT_TRUE(exists(program + QStringLiteral("Data/Access")))
        << "appexe keeps the data beside the program";
    EXPECT_FALSE(exists(program + QStringLiteral("Data/Access/BRIVOLINE.MDB")));
}

// An empty lock is taken over, unless the process that has just made it still
// holds it open (it is about to write its id).
TEST(SingleInstanceLock, EmptyLockIsTakenOverUnlessItsMakerStillHoldsIt)
{
    const QString name = QStringLiteral("BRIVOLINE-test-%1").arg(::getpid());
    const QString path = SingleInstance::lockPath(name);
    writeFile(path, QByteArray());
    {
        SingleInstance instance(name);
        EXPECT_TRUE(instance.acquire());
    }
    EXPECT_FALSE(exists(path));

    writeFile(path, QByteArray());
    const int maker = ::open(QFile::encodeName(path).constData(), O_RDWR);
    ASSERT_GE(maker, 0);
    ASSERT_EQ(::flock(maker, LOCK_EX | LOCK_NB), 0);
    {
        SingleInstance instance(name);
        EXPECT_FALSE(instance.acquire());
    }
    ::close(maker);
    EXPECT_TRUE(exists(path));
    QFile::remove(path);
}

TEST_F(ProgramRun, EmptyOrIncompleteDatabaseStopsStartUpNamingTheFile)
{
    writeFile(databaseFile(), QByteArray());
    EXPECT_EQ(runOnce(), 1);
    EXPECT_EQ(messages(),
              (QStringList{QStringLiteral("plain\tLe fichier \"%1\" est vide : ce n'est pas une base de "
                                          "données.")
                               .arg(databaseFile()),
                           QStringLiteral("error\t") + StartupSequence::kConnectionFailedMessage}));
    EXPECT_EQ(QFileInfo(databaseFile()).size(), 0);
    EXPECT_FALSE(m_shown);

    const auto damage = [this](const QString& statement) {
        TestFolders::copyTemplate(databaseFile());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("damage"));
            db.setDatabaseName(databaseFile());
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(QSqlQuery(db).exec(statement));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("damage"));
    };
    // Blamed on the database, not on the program: no other message, no web page, no window.
    damage(QStringLiteral("DROP TABLE EVENT"));
    EXPECT_EQ(runOnce(), 1);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("error\t") +
                                      DatabaseRecovery::incompleteMessage(
                                          databaseFile(), QStringLiteral("la table « EVENT »"), {})});
    EXPECT_FALSE(m_shown);

    damage(QStringLiteral("ALTER TABLE PERSON DROP COLUMN BirthDay_Weight"));
    EXPECT_EQ(runOnce(), 1);
    EXPECT_EQ(messages(),
              QStringList{QStringLiteral("error\t") +
                          DatabaseRecovery::incompleteMessage(
                              databaseFile(),
                              QStringLiteral("la colonne « BirthDay_Weight » de la table « PERSON »"), {})});
}

TEST_F(ProgramRun, DbIniNamingAFolderOrAHugePathGetsAShortMessageAndMakesNothing)
{
    const QString elsewhere = m_home.path() + QStringLiteral("famille/");
    writeFile(dataFolder() + QStringLiteral("db.ini"),
              "[DataBase]\r\nPath=" + elsewhere.toUtf8() + "\r\n[OLEDB]\r\nFileName=Access\\\r\n");
    EXPECT_EQ(runOnce(), 1);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(
        messages().at(0).startsWith(QStringLiteral("error\tLe fichier de configuration \"%1db.ini\" indique "
                                                   "comme base de données \"%2Access/\", qui est un dossier")
                                        .arg(dataFolder(), elsewhere)))
        << messages().at(0).toStdString();
    EXPECT_FALSE(exists(elsewhere)) << "no stray folder";

    writeFile(dataFolder() + QStringLiteral("db.ini"),
              "[DataBase]\nPath=/" + QByteArray(1 << 20, 'a') + "\n");
    EXPECT_EQ(runOnce(), 1);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_LT(messages().at(0).size(), 600);
    EXPECT_TRUE(
        messages().at(0).startsWith(QStringLiteral("error\tLa copie des données dans le dossier \"/aaa")));
    EXPECT_TRUE(
        messages().at(0).endsWith(QStringLiteral("/Access/BRIVOLINE.MDB\" : le chemin est trop long.")))
        << messages().at(0).right(200).toStdString();
}

TEST_F(ProgramRun, RelativeDatabaseFolderLiesUnderTheDataFolderWhateverTheCurrentFolder)
{
    writeFile(dataFolder() + QStringLiteral("db.ini"), "[DataBase]\r\nPath=MyData\\\r\n");
    m_workingDirectory = m_home.make(QStringLiteral("elsewhere"));
    EXPECT_EQ(runOnce(), 0);
    EXPECT_TRUE(m_shown) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(QFileInfo(dataFolder() + QStringLiteral("MyData/Access/BRIVOLINE.MDB")).size() > 0);
    EXPECT_TRUE(QDir(m_workingDirectory).isEmpty());
}

TEST_F(ProgramRun, UnreadableDbIniStopsStartUpAndIsNeverReplaced)
{
    if (!programReachableByOthers())
        GTEST_SKIP() << "the built program is not reachable by the unprivileged user \"nobody\"";
    const QString dbIni = dataFolder() + QStringLiteral("db.ini");
    const QByteArray users = "[DataBase]\r\nPath=Famille/\r\n";
    writeFile(dbIni, users);
    runUnprivileged();
    // Unreadable, then writable but not readable: the user's setting survives both.
    for (const QFile::Permissions rights :
         {QFile::Permissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner),
          QFile::Permissions(QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)}) {
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(QFile::encodeName(dbIni).constData(), 0, 0), 0);
        }
        QFile::setPermissions(dbIni, ::geteuid() == 0 ? rights : rights & ~QFileDevice::ReadOwner);
        EXPECT_EQ(runOnce(), 1);
        EXPECT_EQ(
            messages(),
            QStringList{
                QStringLiteral("error\tImpossible de lire le fichier \"%1\" : accès refusé.").arg(dbIni)});
        EXPECT_EQ(readFile(dbIni), users);
        EXPECT_FALSE(exists(databaseFile())) << "no new empty household in the default place";
        EXPECT_FALSE(exists(dataFolder() + QStringLiteral("Famille")));
    }
}

TEST_F(ProgramRun, FullDiskAtFirstStartLeavesNoCutFileAndTheNextStartRecovers)
{
    SmallDisk disk(m_home.path() + QStringLiteral("Documents"), 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const QString expected =
        QStringLiteral("error\t") +
        Provisioning::copyFailedMessage(
            dataFolder() + QStringLiteral("Data/"),
            QStringLiteral("Impossible d'écrire le fichier \"%1\" : le disque est plein.")
                .arg(databaseFile()));
    const auto nothingCutShort = [this] {
        QDirIterator it(dataFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo file(it.next());
            EXPECT_GT(file.size(), 0) << file.filePath().toStdString();
            EXPECT_NE(file.suffix(), QStringLiteral("tmp")) << file.filePath().toStdString();
        }
    };
    // No room at all.
    disk.fill();
    EXPECT_EQ(runOnce(), 1);
    EXPECT_EQ(messages(), QStringList{expected});
    EXPECT_FALSE(exists(dataFolder() + QStringLiteral("db.ini")));
    EXPECT_FALSE(exists(dataFolder() + QStringLiteral("SortList.def")));
    EXPECT_FALSE(exists(databaseFile()));
    nothingCutShort();

    // Room for the small files but not for the whole database.
    disk.release();
    disk.fill(64 * 1024);
    EXPECT_EQ(runOnce(), 1);
    EXPECT_EQ(messages(), QStringList{expected});
    EXPECT_EQ(readFile(dataFolder() + QStringLiteral("db.ini")),
              readFile(TestFolders::programFolder() + QStringLiteral("Ressources/DB/db.ini")));
    EXPECT_FALSE(exists(databaseFile())) << "a database cut short would never open again";
    nothingCutShort();

    disk.release();
    EXPECT_EQ(runOnce(), 0);
    EXPECT_TRUE(m_shown) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(readFile(databaseFile()), readFile(TestFolders::templateDatabase()));
}

TEST_F(ProgramRun, FullDiskAtExitKeepsTheSettingsFileAndTheNextStartSaysSo)
{
    SmallDisk disk(m_home.path() + QStringLiteral("Documents"), 2 * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const QString iniFile = dataFolder() + QStringLiteral("brivoline.ini");
    const QByteArray settings =
        "[Properties]\r\nFirstLaunch=0\r\nShowCalendar=1\r\n\r\n[Windows]\r\nLeft=12\r\n";
    writeFile(iniFile, settings);
    auto first = start();
    waitUntilRunning(*first);
    disk.fill();
    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    EXPECT_EQ(finish(*first), 1);
    EXPECT_EQ(
        messages(),
        QStringList{QStringLiteral("error\tImpossible d'écrire le fichier \"%1\" : le disque est plein.")
                        .arg(iniFile)});
    EXPECT_EQ(readFile(iniFile), settings);

    EXPECT_EQ(runOnce(), 1);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("error\t") +
                                      diskFullMessage(QStringLiteral("Brivoline 3.51"), dataFolder())});
    EXPECT_EQ(readFile(iniFile), settings);
}

} // namespace
