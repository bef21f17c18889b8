// The real program, started as a separate process in a scratch home folder.
#include "IniFile.h"
#include "StartupSequence.h"
#include "TestFolders.h"
#include "Provisioning.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>

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

    std::unique_ptr<QProcess> start(const QString& executable = TestFolders::programFolder() + QStringLiteral("brivoline"),
                                    bool quitAfterShow = false)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        // Qt only takes a runtime folder that is private to the user.
        const QString runtime = m_home.make(QStringLiteral("run"));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), m_home.path() + QStringLiteral("Documents"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("BRIVOLINE_MESSAGE_LOG"), messageLog());
        if (quitAfterShow)
            env.insert(QStringLiteral("BRIVOLINE_QUIT_AFTER_SHOW"), QStringLiteral("1"));
        p->setProcessEnvironment(env);
        p->start(executable, {});
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }
    // The first instance is up once it holds the lock and has provisioned its
    // data folder (the sort list is the last file it copies).
    void waitUntilRunning(QProcess& p)
    {
        for (int i = 0; i < 400 && !(exists(lockFile()) && exists(dataFolder() + QStringLiteral("SortList.def"))); ++i)
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
        QDirIterator it(m_home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (info.filePath() != messageLog())
                entries << info.filePath() + QLatin1Char(' ') + QString::number(info.size()) + QLatin1Char(' ')
                               + QString::number(info.lastModified().toMSecsSinceEpoch());
        }
        entries.sort();
        return entries;
    }

    TestFolders::Scratch m_home;
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

TEST_F(ProgramRun, LockOfAProcessThatDiedDoesNotBlock)
{
    auto first = start();
    waitUntilRunning(*first);
    first->kill();
    first->waitForFinished();
    ASSERT_TRUE(exists(lockFile()));

    auto again = start(TestFolders::programFolder() + QStringLiteral("brivoline"), true);
    EXPECT_EQ(finish(*again), 0);
    EXPECT_TRUE(again->readAllStandardError().contains("shown-after-ms"));
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
    ASSERT_TRUE(QFile::copy(TestFolders::programFolder() + QStringLiteral("brivoline"), program + QStringLiteral("brivoline")));
    QFile::setPermissions(program + QStringLiteral("brivoline"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    writeFile(program + QStringLiteral("directories.ini"), "[Path]\nAppDataDir=appexe\n");
    auto run = start(program + QStringLiteral("brivoline"), true);
    EXPECT_EQ(finish(*run), 1);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("warning\t") + Provisioning::kMissingComponentsMessage});
    EXPECT_TRUE(exists(program + QStringLiteral("Data/Access"))) << "appexe keeps the data beside the program";
    EXPECT_FALSE(exists(program + QStringLiteral("Data/Access/BRIVOLINE.MDB")));
}

} // namespace
