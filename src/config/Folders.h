#pragma once

#include <functional>
#include <QString>

// The program's folders, each ending with '/'.
struct Folders
{
    QString program;  // read-only resources beside the executable
    QString data;     // everything the user produces
    QString database; // holds Access/, Images/, Files/
    QString reports;
    QString stat;
    QString query;
    QString helpFile;

    // The program's own ini file and the development marker, both named after the executable.
    QString iniFileName;
    QString developmentMarker;

    QString iniFile() const { return data + iniFileName; }
    // The values known before the data folder is resolved.
    static Folders forProgramFolder(const QString& programFolder, const QString& executablePath);
    // Where the program folder of that executable is: beside it when the
    // resources are staged there (the build folder), else share/brivoline/
    // of the prefix an installed executable's bin/ belongs to.
    static QString programFolderOf(const QString& executablePath);
};

// What the data-folder rules ask of the desktop, behind a seam for tests.
struct DesktopEnvironment
{
    QString documentsFolder;
    QString programsFolder;
    std::function<bool(const QString& path)> isRemovable;

    static DesktopEnvironment system();
};

namespace FolderSetup {
// Decides the data folder (creating the per-maker and per-product folders
// with their warning files as needed) and creates its subfolders.
QString resolveDataFolder(const Folders& folders, const DesktopEnvironment& desktop);
void createDataSubfolders(const QString& dataFolder);
QStringList makerWarningLines();
QStringList productWarningLines();
// Copies a file of that name into the data folder from the program folder,
// its Ressources/DB/ or Maj/, unless the data folder already has one.
// Returns true when the data folder has the file afterwards.
bool copyIfMissing(const Folders& folders, const QString& name);
// True when the block device holding the path reports itself as removable.
bool isOnRemovableDrive(const QString& path);
} // namespace FolderSetup
