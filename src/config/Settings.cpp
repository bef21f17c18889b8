#include "Settings.h"

#include "IniFile.h"

#include <variant>

namespace {
// Every key of the file once: its section, its name and the member it fills.
struct Key
{
    const char* section;
    const char* name;
    std::variant<bool Settings::*, int Settings::*, QString Settings::*> member;
};

const Key kKeys[] = {
    {"Properties", "FirstLaunch", &Settings::firstLaunch},
    {"Properties", "TestMdac", &Settings::testMdac},
    {"Properties", "Splash", &Settings::splash},
    {"Properties", "ShowUI", &Settings::showUI},
    {"Properties", "ShowCalendar", &Settings::showCalendar},
    {"Properties", "HideBigFontMsg", &Settings::hideBigFontMsg},
    {"Scan", "TwainSource", &Settings::twainSource},
    {"Scan", "ShowTwainUI", &Settings::showTwainUI},
    {"Scan", "MaxWidth", &Settings::maxWidth},
    {"Scan", "JpegQuality", &Settings::jpegQuality},
    {"SMTP", "Name", &Settings::smtpName},
    {"SMTP", "Email", &Settings::smtpEmail},
    {"SMTP", "Host", &Settings::smtpHost},
    {"SMTP", "Port", &Settings::smtpPort},
    {"SMTP", "StartTLS", &Settings::smtpStartTls},
    {"SMTP", "Auth", &Settings::smtpAuth},
    {"SMTP", "User", &Settings::smtpUser},
    {"SMTP", "Password", &Settings::smtpPassword},
    {"Windows", "Left", &Settings::left},
    {"Windows", "Top", &Settings::top},
    {"Windows", "Width", &Settings::width},
    {"Windows", "Height", &Settings::height},
    {"Windows", "State", &Settings::state},
    {"Windows", "Style", &Settings::style},
};

// Only the mail texts are bounded; the scanner source name is not.
QString bounded(const Key& key, const QString& text)
{
    return QLatin1String(key.section) == QLatin1String("SMTP") ? text.left(Settings::kMaxSmtpText) : text;
}
} // namespace

Settings Settings::read(const QString& iniPath)
{
    const IniFile ini = IniFile::load(iniPath);
    Settings s;
    for (const Key& key : kKeys) {
        const QString section = QString::fromLatin1(key.section);
        const QString name = QString::fromLatin1(key.name);
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, bool>)
                    s.*member = ini.boolValue(section, name, s.*member);
                else if constexpr (std::is_same_v<T, int>)
                    s.*member = ini.intValue(section, name, s.*member);
                else
                    s.*member = bounded(key, ini.value(section, name, s.*member));
            },
            key.member);
    }
    // A bound of 0 would store 0 x 0 pictures.
    const Settings defaults;
    if (s.maxWidth < kMinMaxWidth || s.maxWidth > kMaxMaxWidth)
        s.maxWidth = defaults.maxWidth;
    if (s.jpegQuality < kMinJpegQuality || s.jpegQuality > kMaxJpegQuality)
        s.jpegQuality = defaults.jpegQuality;
    return s;
}

void Settings::write(const QString& iniPath) const
{
    IniFile ini = IniFile::load(iniPath);
    for (const Key& key : kKeys) {
        const QString section = QString::fromLatin1(key.section);
        const QString name = QString::fromLatin1(key.name);
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(this->*member)>;
                if constexpr (std::is_same_v<T, bool>)
                    ini.setBool(section, name, this->*member);
                else if constexpr (std::is_same_v<T, int>)
                    ini.setInt(section, name, this->*member);
                else
                    ini.setValue(section, name, bounded(key, this->*member));
            },
            key.member);
    }
    ini.save(iniPath);
}
