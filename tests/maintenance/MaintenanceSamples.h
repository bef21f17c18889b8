#pragma once

#include "RecordSet.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Real record sets for the maintenance tests: a copy of the built template
// with persons, JPEG pictures and attached-file archives, and what they
// hold, read straight from the files.
namespace MaintenanceSamples {

// A record set in `dataFolder` with the program folder of the build.
RecordSet recordSetIn(const QString& dataFolder);
// The template database, `persons` persons, `pictures` JPEG documents and
// `files` attached files (each a real one-entry cabinet), all with Ids
// from `firstId`.
void populate(const RecordSet& set, int persons, int pictures, int files, int firstId = 1,
              int pictureSize = 160);
// A JPEG picture of about `side` pixels square, different for each seed.
QByteArray jpeg(int seed, int side = 160);

// Every table's rows as text in their stored order, and every picture and
// attached file by relative path.
struct Snapshot
{
    QMap<QString, QStringList> tables;
    QMap<QString, QByteArray> files;

    // The same, BACKUP left out (it gains rows as operations run).
    Snapshot withoutHistory() const;
    bool operator==(const Snapshot& other) const = default;
};
Snapshot snapshot(const RecordSet& set);
Snapshot snapshotOf(const QString& databaseFile, const QString& databaseFolder);
QStringList historyOf(const QString& databaseFile); // "Description|Path" per row
// The engine's integrity check through a connection of its own.
QString integrityOf(const QString& databaseFile);
// The rows of a statement, each as its values joined by '|', joined by '\n'.
QString valueOf(const QString& databaseFile, const QString& statement);
// Runs one SQL statement on the file through a connection of its own.
void execute(const QString& databaseFile, const QString& statement);

// Runs a program and returns its standard output; a failure is a test failure.
QByteArray run(const QString& program, const QStringList& arguments, const QString& folder = {});
// The real program started on a scratch home (its data folder
// kDataFolder there), answering every message, told to close once its
// window shows.
inline const QString kDataFolder = QStringLiteral("Documents/Halvorn Software Development/Brivoline/");
struct ProgramRun
{
    int exitCode = -1;
    bool shown = false;   // the main window showed
    QStringList messages; // "icon\ttext", in order
};
ProgramRun runProgram(const QString& home);

// All files under a folder, relative, sorted.
QStringList filesUnder(const QString& folder);

} // namespace MaintenanceSamples
