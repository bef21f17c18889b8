#pragma once

#include "Folders.h"

#include <functional>
#include <QString>

// A database of the Windows version made into one of this program's: its
// Jet file converted into a new SQLite file, brought up to date as the
// update scripts bring any older database, then checked, all in a staging
// place, before any caller lets it take the place of anything. The Jet file
// is only read. Start-up, the import command and the restore all come here.
namespace WindowsDatabase {

// The Windows version's last layout; a file claiming a later one was not
// made by it.
constexpr int kLastWindowsLayout = 351;

// Told what is being done (the table being converted, the update's step)
// and how far it is; returns false to stop, which fails with
// JetConversion::Cancelled and changes nothing.
using Progress = std::function<bool(const QString& step, qint64 done, qint64 total)>;

// The folder that holds the Windows version's Images/ and Files/ for the
// database `jetFile`: its own folder or, as Windows keeps it in Access/,
// the one above; its own folder when neither has them.
QString filesFolderBeside(const QString& jetFile);

// Opens `jetFile` and refuses, with the French reason, anything this
// program cannot take: no Jet 4 file, a protected or damaged one, an
// Access file of another application, a layout newer than the Windows
// version's last. Returns the file's layout version ("3.20"). Throws
// Jet::JetError.
QString checkFile(const QString& jetFile);

// Writes the database of `jetFile`, converted, updated and checked, as
// `target`, which may be `jetFile` itself (a staged copy it then replaces).
// The update takes the pictures out of the rows into `stagingFolder` +
// "Images/", the update scripts come from the program folder and the log
// goes to the data folder of `folders`. Checked: the engine's integrity,
// every table of the Jet file with as many rows, every table and column the
// program needs. Throws AppError (Jet::JetError for a refused file,
// JetConversion::Cancelled); `target` is then as it was, and what the update
// wrote into the staging folder is the caller's to drop.
void convert(const QString& jetFile, const QString& target, const QString& stagingFolder,
             const Folders& folders, const Progress& progress);

} // namespace WindowsDatabase
