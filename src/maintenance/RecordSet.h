#pragma once

#include "StoredFiles.h"

#include <QString>

struct DbConfig;
struct Folders;

// Where the household's records live: the database file and, beside it,
// the pictures and attached files; backups go to the data folder's Backup/.
struct RecordSet
{
    QString programFolder;  // holds Maj/ with the update script
    QString dataFolder;     // holds Backup/ and Maj.Log
    QString databaseFolder; // holds Access/, Images/, Files/
    QString databaseName;   // the database file, relative to databaseFolder

    static RecordSet of(const Folders& folders, const DbConfig& db);

    QString databaseFile() const { return databaseFolder + databaseName; }
    QString imagesFolder() const { return StoredFiles::pictures().in(databaseFolder); }
    QString filesFolder() const { return StoredFiles::attachedFiles().in(databaseFolder); }
    QString backupFolder() const { return dataFolder + QStringLiteral("Backup/"); }
};

// What a long maintenance operation tells its progress window.
class MaintenanceProgress
{
public:
    virtual ~MaintenanceProgress() = default;
    // The line that says what is being done.
    virtual void task(const QString& text) = 0;
    // The bar at `done` out of `total`; a total of 0 hides it.
    virtual void bar(qint64 done, qint64 total) = 0;
    // The line under it, for what the whole operation is at.
    virtual void message(const QString& text) { Q_UNUSED(text); }
    // Whether the user asked to stop; asked where stopping changes nothing.
    virtual bool cancelled() const { return false; }
    // Past this point a stop is no longer asked: the work goes to its end.
    virtual void committing() {}
};

// The progress of work nobody watches: the command line, an archive
// written in the background.
class NoProgress final : public MaintenanceProgress
{
public:
    void task(const QString&) override {}
    void bar(qint64, qint64) override {}
};
