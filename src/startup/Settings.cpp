#include "Settings.h"

#include "IniFile.h"

namespace {
const QString kProperties = QStringLiteral("Properties");
const QString kScan = QStringLiteral("Scan");
const QString kSmtp = QStringLiteral("SMTP");
const QString kWindows = QStringLiteral("Windows");
} // namespace

Settings Settings::read(const QString& iniPath)
{
    const IniFile ini = IniFile::load(iniPath);
    const Settings d;
    Settings s;
    s.firstLaunch = ini.boolValue(kProperties, QStringLiteral("FirstLaunch"), d.firstLaunch);
    s.testMdac = ini.boolValue(kProperties, QStringLiteral("TestMdac"), d.testMdac);
    s.splash = ini.boolValue(kProperties, QStringLiteral("Splash"), d.splash);
    s.showUI = ini.boolValue(kProperties, QStringLiteral("ShowUI"), d.showUI);
    s.showCalendar = ini.boolValue(kProperties, QStringLiteral("ShowCalendar"), d.showCalendar);
    s.hideBigFontMsg = ini.boolValue(kProperties, QStringLiteral("HideBigFontMsg"), d.hideBigFontMsg);

    s.twainSource = ini.value(kScan, QStringLiteral("TwainSource"));
    s.showTwainUI = ini.boolValue(kScan, QStringLiteral("ShowTwainUI"), d.showTwainUI);
    s.maxWidth = ini.intValue(kScan, QStringLiteral("MaxWidth"), d.maxWidth);
    s.jpegQuality = ini.intValue(kScan, QStringLiteral("JpegQuality"), d.jpegQuality);

    s.smtpName = ini.value(kSmtp, QStringLiteral("Name")).left(kMaxSmtpText);
    s.smtpEmail = ini.value(kSmtp, QStringLiteral("Email")).left(kMaxSmtpText);
    s.smtpHost = ini.value(kSmtp, QStringLiteral("Host")).left(kMaxSmtpText);
    s.smtpPort = ini.intValue(kSmtp, QStringLiteral("Port"), d.smtpPort);

    s.left = ini.intValue(kWindows, QStringLiteral("Left"), d.left);
    s.top = ini.intValue(kWindows, QStringLiteral("Top"), d.top);
    s.width = ini.intValue(kWindows, QStringLiteral("Width"), d.width);
    s.height = ini.intValue(kWindows, QStringLiteral("Height"), d.height);
    s.state = ini.value(kWindows, QStringLiteral("State"));
    s.style = ini.boolValue(kWindows, QStringLiteral("Style"), d.style);
    return s;
}

void Settings::write(const QString& iniPath) const
{
    IniFile ini = IniFile::load(iniPath);
    ini.setBool(kProperties, QStringLiteral("FirstLaunch"), firstLaunch);
    ini.setBool(kProperties, QStringLiteral("TestMdac"), testMdac);
    ini.setBool(kProperties, QStringLiteral("Splash"), splash);
    ini.setBool(kProperties, QStringLiteral("ShowUI"), showUI);
    ini.setBool(kProperties, QStringLiteral("ShowCalendar"), showCalendar);
    ini.setBool(kProperties, QStringLiteral("HideBigFontMsg"), hideBigFontMsg);

    ini.setValue(kScan, QStringLiteral("TwainSource"), twainSource);
    ini.setBool(kScan, QStringLiteral("ShowTwainUI"), showTwainUI);
    ini.setInt(kScan, QStringLiteral("MaxWidth"), maxWidth);
    ini.setInt(kScan, QStringLiteral("JpegQuality"), jpegQuality);

    ini.setValue(kSmtp, QStringLiteral("Name"), smtpName.left(kMaxSmtpText));
    ini.setValue(kSmtp, QStringLiteral("Email"), smtpEmail.left(kMaxSmtpText));
    ini.setValue(kSmtp, QStringLiteral("Host"), smtpHost.left(kMaxSmtpText));
    ini.setInt(kSmtp, QStringLiteral("Port"), smtpPort);

    ini.setInt(kWindows, QStringLiteral("Left"), left);
    ini.setInt(kWindows, QStringLiteral("Top"), top);
    ini.setInt(kWindows, QStringLiteral("Width"), width);
    ini.setInt(kWindows, QStringLiteral("Height"), height);
    ini.setValue(kWindows, QStringLiteral("State"), state);
    ini.setBool(kWindows, QStringLiteral("Style"), style);
    ini.save(iniPath);
}
