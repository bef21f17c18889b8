#pragma once

class MainWindowHost;
class TDataModule1;
class TDataModule2;

namespace Care {
// Wires the six list entries of the "&Tableaux" menu and its reimbursement
// synthesis; they are enabled only while there is a current person.
void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2);
} // namespace Care
