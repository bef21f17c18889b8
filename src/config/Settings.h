#pragma once

#include <QString>

// The program's own settings, kept in its ini file in the data folder.
struct Settings
{
    // [Properties]
    bool firstLaunch = true;
    bool testMdac = false;
    bool splash = true;
    bool showUI = true;
    bool showCalendar = false;
    bool hideBigFontMsg = false;
    // [Scan]
    QString twainSource;
    bool showTwainUI = false;
    int maxWidth = 5000;
    int jpegQuality = 100;
    // [SMTP]
    QString smtpName;
    QString smtpEmail;
    QString smtpHost;
    int smtpPort = 25;
    // Beyond the plain exchange, for servers that ask for them; off by default.
    bool smtpStartTls = false;
    bool smtpAuth = false;
    QString smtpUser;
    QString smtpPassword;
    // [Windows]
    int left = -1;
    int top = -1;
    int width = -1;
    int height = -1;
    QString state;
    bool style = false;

    static constexpr int kMaxSmtpText = 255;
    // What the properties dialog lets the user choose.
    static constexpr int kMinMaxWidth = 500;
    static constexpr int kMaxMaxWidth = 5000;
    static constexpr int kMinJpegQuality = 10;
    static constexpr int kMaxJpegQuality = 100;

    // A missing file or key reads as its default, and so does a picture
    // bound or quality outside what the properties dialog allows. A file
    // that exists but cannot be read throws FileError.
    static Settings read(const QString& iniPath);
    // Writes every key, keeping whatever else the file holds. Throws FileError.
    void write(const QString& iniPath) const;
};
