#pragma once

#include "DatabaseRecovery.h"
#include "Folders.h"

#include <functional>
#include <memory>
#include <QString>

class QWidget;
class RecordsLock;

// What the sequence asks of the program that puts it together (app/), in
// the order it asks.
struct StartupHooks
{
    // Creates the data modules; the first one connects. Throws AppError.
    std::function<void()> createDataModules;
    std::function<std::unique_ptr<QWidget>()> createMainWindow;
    // Pending edits are posted and the data modules freed, after the main
    // window closed, or before they are made anew on a recovered database.
    std::function<void()> destroyDataModules;
    // The way back to a backup when the database is damaged or incomplete.
    DatabaseRecovery::BackupRoute backups;
};

// The program's entry, from the process-wide values to the event loop and
// the orderly shutdown. Returns the process exit code.
class StartupSequence
{
public:
    explicit StartupSequence(DesktopEnvironment desktop = DesktopEnvironment::system());
    ~StartupSequence();
    int run(const StartupHooks& hooks);

    static const QString kConnectionFailedMessage;
    static QString alreadyRunningMessage();

private:
    bool prepare();
    // Held until the sequence ends: no other session opens these records.
    bool lockRecords(const QString& databaseFile);
    DesktopEnvironment m_desktop;
    std::unique_ptr<RecordsLock> m_records;
};
