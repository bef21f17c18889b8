#include "WriteTest.h"

#include "Messages.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

namespace {

TEST(WriteTest, WritableFolderPassesAndLeavesNothing)
{
    TestFolders::Scratch scratch;
    Messages::Recorder messages;
    EXPECT_TRUE(writeTest(QStringLiteral("Brivoline 3.51"), scratch.path() + QStringLiteral("write.tmp")));
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_TRUE(
        QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
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
              QStringLiteral(
                  "BRIVOLINE 3.51 : EXECUTION IMPOSSIBLE\r\rPour utiliser ce logiciel vous devez :\r\r"
                  "  - Soit avoir un compte administrateur\r  - Soit avoir des droits en écriture sur le "
                  "répertoire : ") +
                  folder + QStringLiteral("\r\r"));
}

// A read-only folder, checked as an ordinary user even when the tests run as root.
TEST(WriteTest, ReadOnlyFolderFailsAndLeavesNoFile)
{
    TestFolders::Scratch scratch;
    const QString folder = scratch.make(QStringLiteral("readonly"));
    QFile::setPermissions(scratch.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ExeOther |
                                              QFileDevice::ReadOther);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                      QFileDevice::ExeOther);
    const int result = TestFolders::asUnprivilegedUser([&] {
        Messages::Recorder messages;
        const bool passed = writeTest(QStringLiteral("Brivoline 3.51"), folder + QStringLiteral("write.tmp"));
        if (passed || messages.messages().size() != 1)
            return 1;
        return messages.texts().at(0) == writeTestMessage(QStringLiteral("Brivoline 3.51"), folder) ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(TestFolders::exists(folder + QStringLiteral("write.tmp")));
}

// A full disk is no matter of rights, and the message says so.
TEST(WriteTest, FullDiskSaysSo)
{
    TestFolders::Scratch scratch;
    SmallDisk disk(scratch.path() + QStringLiteral("disk"), 64 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    disk.fill();
    const QString folder = scratch.path() + QStringLiteral("disk/");
    Messages::Recorder messages;
    EXPECT_FALSE(writeTest(QStringLiteral("Brivoline 3.51"), folder + QStringLiteral("write.tmp")));
    EXPECT_EQ(messages.texts(),
              QStringList{
                  QStringLiteral("BRIVOLINE 3.51 : EXECUTION IMPOSSIBLE\r\rLe disque qui contient le "
                                 "répertoire %1 est plein.\rLibérez de la place sur ce disque puis relancez "
                                 "le logiciel.")
                      .arg(folder)});
    EXPECT_FALSE(TestFolders::exists(folder + QStringLiteral("write.tmp")));
}

} // namespace
