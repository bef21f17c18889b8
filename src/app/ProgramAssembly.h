#pragma once

#include "DatabaseRecovery.h"
#include "PersonPage.h"

#include <memory>
#include <QList>

class TDataModule1;
class TDataModule2;
class TMainForm;

// Where the program is put together: the main window's page table, in the
// order of its tabs, and the menu commands each subsystem serves.
namespace ProgramAssembly {
QList<PageDefinition> pages(TDataModule1& dm1, TDataModule2& dm2);
// The menu commands of every subsystem, and the report printing the
// picture viewer borrows.
void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2);
// The search box in the main window's menu bar and the background reading
// of the documents' text with its piece of the status line.
void installSearch(TMainForm& window, TDataModule1& dm1);
// The main window with its pages, commands and search.
std::unique_ptr<TMainForm> mainWindow(TDataModule1& dm1, TDataModule2& dm2);
// What start-up borrows from the maintenance commands when the records
// are damaged or incomplete: the latest backup of the history and its restore.
DatabaseRecovery::BackupRoute backupRoute();
} // namespace ProgramAssembly
