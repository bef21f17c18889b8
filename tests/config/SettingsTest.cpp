#include "Settings.h"

#include "Errors.h"
#include "IniFile.h"
#include "TestFolders.h"
#include "TextFiles.h"

#include <gtest/gtest.h>
#include <QFile>
#include <unistd.h>

namespace {

using TestFolders::readFile;
using TestFolders::writeFile;

TEST(SettingsFile, MissingFileReadsDefaults)
{
    TestFolders::Scratch scratch;
    const Settings s = Settings::read(scratch.path() + QStringLiteral("brivoline.ini"));
    EXPECT_TRUE(s.firstLaunch);
    EXPECT_FALSE(s.testMdac);
    EXPECT_TRUE(s.splash);
    EXPECT_TRUE(s.showUI);
    EXPECT_FALSE(s.showCalendar);
    EXPECT_EQ(s.maxWidth, 5000);
    EXPECT_EQ(s.jpegQuality, 100);
    EXPECT_EQ(s.smtpPort, 25);
    EXPECT_EQ(s.width, -1);
    EXPECT_EQ(s.state, QString());
}

TEST(SettingsFile, RoundTripWritesEveryKeyAndKeepsForeignOnes)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("brivoline.ini");
    writeFile(path, "; réglages\n[Other]\nKeep=me\n[Properties]\nUnknown=42\n");
    Settings s;
    s.firstLaunch = false;
    s.showCalendar = true;
    s.twainSource = QStringLiteral("test:0");
    s.maxWidth = 1600;
    s.smtpName = QStringLiteral("Élise Durand");
    s.smtpPort = 587;
    s.left = 10;
    s.top = 20;
    s.width = 900;
    s.height = 700;
    s.state = QStringLiteral("wsMaximized");
    s.write(path);

    const Settings back = Settings::read(path);
    EXPECT_FALSE(back.firstLaunch);
    EXPECT_TRUE(back.showCalendar);
    EXPECT_EQ(back.twainSource, QStringLiteral("test:0"));
    EXPECT_EQ(back.maxWidth, 1600);
    EXPECT_EQ(back.smtpName, QStringLiteral("Élise Durand"));
    EXPECT_EQ(back.smtpPort, 587);
    EXPECT_EQ(back.left, 10);
    EXPECT_EQ(back.height, 700);
    EXPECT_EQ(back.state, QStringLiteral("wsMaximized"));

    const QByteArray text = readFile(path);
    EXPECT_TRUE(text.contains("FirstLaunch=0\n"));
    EXPECT_TRUE(text.contains("ShowCalendar=1\n"));
    EXPECT_TRUE(text.contains("[Other]\nKeep=me\n"));
    EXPECT_TRUE(text.contains("Unknown=42\n"));
    EXPECT_TRUE(text.startsWith("; r\xC3\xA9glages\n")) << "written in UTF-8";
    for (const char* key :
         {"TestMdac=", "Splash=", "ShowUI=", "HideBigFontMsg=", "TwainSource=", "ShowTwainUI=",
          "JpegQuality=", "Email=", "Host=", "Port=", "Left=", "Top=", "Width=", "Style="})
        EXPECT_TRUE(text.contains(key)) << key;
}

TEST(SettingsFile, YesNoAndIntegersReadAsTheWindowsReaderDoes)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("brivoline.ini");
    writeFile(path, "[properties]\r\nsplash=0\r\nShowCalendar=2\r\nTestMdac=-1\r\nShowUI=oui\r\n"
                    "[Scan]\r\nMaxWidth=1200px\r\nJpegQuality= 85 \r\n[SMTP]\r\nPort=abc\r\n"
                    "[Windows]\r\nLeft=\"-8\"\r\nLeft=300\r\n");
    const Settings s = Settings::read(path);
    EXPECT_FALSE(s.splash) << "sections and keys without regard to case";
    EXPECT_TRUE(s.showCalendar);
    EXPECT_TRUE(s.testMdac);
    EXPECT_TRUE(s.showUI) << "not a number: the default";
    EXPECT_EQ(s.maxWidth, 1200);
    EXPECT_EQ(s.jpegQuality, 85);
    EXPECT_EQ(s.smtpPort, 25);
    EXPECT_EQ(s.left, -8) << "quotes removed, the first of repeated keys wins";
}

TEST(SettingsFile, PictureBoundAndQualityOutsideTheDialogsRangesReadAsDefaults)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("brivoline.ini");
    const auto read = [&](int maxWidth, int quality) {
        writeFile(
            path,
            QStringLiteral("[Scan]\nMaxWidth=%1\nJpegQuality=%2\n").arg(maxWidth).arg(quality).toUtf8());
        const Settings s = Settings::read(path);
        return std::pair{s.maxWidth, s.jpegQuality};
    };
    EXPECT_EQ(read(0, 0), std::pair(5000, 100)) << "0 x 0 pictures";
    EXPECT_EQ(read(-20, -1), std::pair(5000, 100));
    EXPECT_EQ(read(499, 9), std::pair(5000, 100));
    EXPECT_EQ(read(5001, 101), std::pair(5000, 100));
    EXPECT_EQ(read(500, 10), std::pair(500, 10));
    EXPECT_EQ(read(5000, 100), std::pair(5000, 100));
}

// A settings file that cannot be read is not replaced by the defaults, at
// start or at exit (checked as an ordinary user even when run as root).
TEST(SettingsFile, UnreadableFileIsAnErrorAndStaysAsItWas)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("brivoline.ini");
    const QByteArray users = "[Properties]\nSplash=0\n[Mine]\nKeep=me\n";
    writeFile(path, users);
    QFile::setPermissions(scratch.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::WriteOther | QFileDevice::ExeOther);
    // Writable by anyone, readable by no one but its owner (and not even by
    // its owner when the tests do not run as root).
    QFile::setPermissions(path, (::geteuid() == 0 ? QFileDevice::ReadOwner : QFileDevice::Permissions()) |
                                    QFileDevice::WriteOwner | QFileDevice::WriteOther);
    const int result = TestFolders::asUnprivilegedUser([&] {
        int failures = 0;
        try {
            Settings::read(path);
            ++failures;
        } catch (const FileError& e) {
            failures +=
                e.text() != QStringLiteral("Impossible de lire le fichier \"%1\" : accès refusé.").arg(path);
        }
        try {
            Settings().write(path);
            ++failures;
        } catch (const FileError&) {
        }
        return failures;
    });
    EXPECT_EQ(result, 0);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(readFile(path), users);
}

TEST(SettingsFile, SmtpTextsAreHeldIn255Characters)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("brivoline.ini");
    writeFile(path, "[SMTP]\nHost=" + QByteArray(400, 'h') + "\n");
    Settings s = Settings::read(path);
    EXPECT_EQ(s.smtpHost.size(), 255);
    s.smtpName = QString(300, QLatin1Char('n'));
    s.write(path);
    EXPECT_EQ(Settings::read(path).smtpName.size(), 255);
}

TEST(SettingsFile, Windows1252TextIsReadAndRewrittenAsUtf8)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("brivoline.ini");
    writeFile(path, "[SMTP]\r\nName=Andr\xE9 L\x9C"
                    "uf \x80\r\n");
    Settings s = Settings::read(path);
    EXPECT_EQ(s.smtpName, QStringLiteral("André Lœuf €"));
    s.write(path);
    EXPECT_TRUE(readFile(path).contains("Name=Andr\xC3\xA9 L\xC5\x93uf \xE2\x82\xAC\r\n"))
        << "line ends kept";
}

TEST(TextFileDecoding, Utf8WithBomAndInvalidSequences)
{
    EXPECT_EQ(TextFiles::decode("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9"), QStringLiteral("été"));
    EXPECT_EQ(TextFiles::decode("\xC3("), QStringLiteral("Ã("));
}

TEST(IniFileEdits, NewKeysJoinTheirSectionAndSavingTwiceIsStable)
{
    TestFolders::Scratch scratch;
    const QString path = scratch.path() + QStringLiteral("x.ini");
    writeFile(path, "[A]\nOne=1\n\n[B]\nTwo=2\n");
    IniFile ini = IniFile::load(path);
    ini.setValue(QStringLiteral("a"), QStringLiteral("Three"), QStringLiteral("3"));
    ini.setValue(QStringLiteral("C"), QStringLiteral("Four"), QStringLiteral("4"));
    ini.save(path);
    const QByteArray once = readFile(path);
    EXPECT_EQ(once, QByteArray("[A]\nOne=1\nThree=3\n\n[B]\nTwo=2\n\n[C]\nFour=4\n"));
    IniFile::load(path).save(path);
    EXPECT_EQ(readFile(path), once);
}

} // namespace
