#pragma once

#include "ReportCommands.h"

class MainWindowHost;
class QWidget;
class TDataModule1;
class TDataModule2;

// The "Html" menu: each page written into the working folder with the busy
// cursor, then shown in the viewer under its title.
namespace HtmlCommands {

// Wires the four entries by name, enabled while there is a current person.
// The hooks lend the charts and the booster recomputation, as to the reports.
void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2,
                     const ReportCommands::Hooks& hooks);

// The current person's Id, a pending change to the person saved first.
// Throws DatabaseError when there is no current person.
int currentPerson(TDataModule1& dm1);

// Writes a page into the prepared working folder with the busy cursor
// (`write` returns the page's path), then shows it modally under `title`.
// Nothing is shown when the page could not be written.
void showPage(const std::function<QString(const QString& folder)>& write, const QString& title,
              QWidget* parent);

} // namespace HtmlCommands
