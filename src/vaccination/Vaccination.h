#pragma once

class MainWindowHost;
class TDataModule1;
class TDataModule2;

// The menu commands of the vaccinations: "&Rappels de vaccination" of the
// "&Tableaux" menu shows the current person's boosters still due.
namespace Vaccination {
void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2);
}
