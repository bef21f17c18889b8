#include "Messages.h"
#include "TestFolders.h"
#include "WriteTest.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(WriteTest, WritableFolderPassesAndLeavesNothing)
{
    TestFolders::Scratch scratch;
    Messages::Recorder messages;
    EXPECT_TRUE(writeTest(QStringLiteral("Brivoline 3.51"), scratch.path() + QStringLiteral("write.tmp")));
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_TRUE(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST(WriteTest, FailureNamesTheFolder)
{
    TestFolders::Scratch scratch;
    Messages::Recorder messages;
    const QString folder = scratch.path() + QStringLiteral("absent/");
    EXPECT_FALSE(writeTest(QStringLiteral("Brivoline 3.51"), folder + QStringLiteral("write.tmp")));
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages().at(0).icon, Messages::Icon::Error);
    EXPECT_EQ(messages.messages().at(0).text,
              QStringLiteral("BRIVOLINE 3.51 : EXECUTION IMPOSSIBLE\r\rPour utiliser ce logiciel vous devez :\r\r"
                             "  - Soit avoir un compte administrateur\r  - Soit avoir des droits en écriture sur le "
                             "répertoire : ")
                  + folder + QStringLiteral("\r\r"));
}

// A read-only folder, checked as an ordinary user even when the tests run as root.
TEST(WriteTest, ReadOnlyFolderFailsAndLeavesNoFile)
{
    TestFolders::Scratch scratch;
    const QString folder = scratch.make(QStringLiteral("readonly"));
    QFile::setPermissions(scratch.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ExeOther | QFileDevice::ReadOther);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                      | QFileDevice::ExeOther);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        Messages::Recorder messages;
        const bool passed = writeTest(QStringLiteral("Brivoline 3.51"), folder + QStringLiteral("write.tmp"));
        _exit(passed ? 1 : (messages.messages().size() == 1 ? 0 : 2));
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(TestFolders::exists(folder + QStringLiteral("write.tmp")));
}

} // namespace
