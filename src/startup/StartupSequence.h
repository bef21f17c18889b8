#pragma once

#include "Folders.h"

#include <QString>
#include <functional>
#include <memory>

class QWidget;

// What the sequence asks of the layers above it, in the order it asks.
struct StartupHooks
{
    // Before the database opens: what stands at its place and is not yet
    // one of the program's (the Windows version's database) offered for
    // conversion. False stops start-up there, the user told why.
    std::function<bool()> adoptDatabase;
    // Creates the data modules; the first one connects. Throws AppError.
    std::function<void()> createDataModules;
    std::function<std::unique_ptr<QWidget>()> createMainWindow;
    // Pending edits are posted and the data modules freed, after the main window closed.
    std::function<void()> destroyDataModules;
};

// The program's entry, from the process-wide values to the event loop and
// the orderly shutdown. Returns the process exit code.
class StartupSequence
{
public:
    explicit StartupSequence(DesktopEnvironment desktop = DesktopEnvironment::system());
    int run(const StartupHooks& hooks);

    static const QString kConnectionFailedMessage;
    static QString alreadyRunningMessage();
    static QString incompleteDatabaseMessage(const QString& databaseFile, const QString& missing);

private:
    bool prepare();
    DesktopEnvironment m_desktop;
};
