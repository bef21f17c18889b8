#pragma once

#include "Connection.h"
#include "Errors.h"

#include <functional>
#include <optional>
#include <QDateTime>
#include <QString>

// The way back when start-up finds the records unusable: a damaged
// database, or one the update left incomplete. It says what is wrong,
// names the file and offers, in turn, the update's own backup, the most
// recent backup of the history (restored with the usual safety archive)
// or, for damage, a repair by compaction. Nothing replaces the database
// before it is checked, and no main window opens on a database that is
// still damaged or incomplete.
class DatabaseRecovery
{
public:
    // An archive of the history.
    struct Backup
    {
        QString archive;
        QDateTime when;
    };
    // What the maintenance layer lends start-up, which sits below it.
    struct BackupRoute
    {
        // The most recent backup of the history whose archive is still
        // there; read while the program's connection may be open.
        std::function<std::optional<Backup>()> latest;
        // Restores the archive over the records, whose database is closed,
        // after the current data went to a safety archive; returns that
        // archive. Throws AppError when the data were left as they were,
        // UnfinishedRestore when the swap began and could not end.
        std::function<QString(const QString& archive)> restore;
    };
    // A restore whose swap the next start has to complete: nothing else may
    // touch the records before.
    class UnfinishedRestore : public AppError
    {
    public:
        using AppError::AppError;
    };

    DatabaseRecovery(const DbConfig& db, BackupRoute route);

    // The database is damaged. True when a restored backup or a repair made
    // it sound again; false when start-up must end (the user was told).
    // Either way the program's connection is closed.
    bool recoverDamaged();

    // The database lacks `missing` ("la table « PERSON »"). With the backup
    // the update made before its first script, that backup is offered (put
    // back once it is checked), else the most recent backup of the history.
    // True when one was put back; false when start-up must end (the user
    // was told). Either way the program's connection is closed.
    bool recoverIncomplete(const QString& missing, const QString& updateBackup);

    // The messages that end start-up when nothing made the database usable.
    static QString incompleteMessage(const QString& databaseFile, const QString& missing,
                                     const QString& updateBackup);
    static QString damagedMessage(const QString& databaseFile);

private:
    enum class Outcome
    {
        Declined, // or failed, the data as they were
        Done,
        Stop // start-up must end, the user told why
    };
    Outcome offerLatestBackup(const QString& problem);
    bool repairByCompaction(const QString& problem);
    bool putBack(const QString& updateBackup);

    DbConfig m_db;
    BackupRoute m_route;
};
