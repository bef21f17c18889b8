#pragma once

#include <QString>

// The program's names and the maker's addresses, kept in this one place.
namespace Product {
inline const QString name = QStringLiteral("Brivoline");
inline const QString version = QStringLiteral("3.51");
inline constexpr int versionNumber = 351;
inline const QString makerFolder = QStringLiteral("Halvorn Software Development");
inline const QString makerInTexts = QStringLiteral("Halvorn Software Developpement");
inline const QString supportAddress = QStringLiteral("support@halvorn.example.com");
inline const QString webAddress = QStringLiteral("https://www.halvorn.example.com/");
inline const QString executableName = QStringLiteral("brivoline");

// The layout of the records, the version the database itself holds. Each
// raise comes with its update script "BD_" + digits + ".maj" in the program
// folder's Maj/, which brings the layout before it up to that one.
inline const QString databaseVersion = QStringLiteral("3.54");
inline constexpr int databaseVersionNumber = 354;

// The maker's line shown on the splash, the status line and the about window.
QString makerLine();
} // namespace Product
