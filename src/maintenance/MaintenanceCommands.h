#pragma once

#include <QString>

class MainWindowHost;
class TDataModule1;
class TDataModule2;
namespace SafetyArchive {
class Background;
} // namespace SafetyArchive

// The "&Outils" / "&Base de données" commands: "&Sauvegarde",
// "&Restauration", "&Historique" and "&Compacter/Réparer", and "&Fichier" /
// "Importer une base de données &Windows…", a restore from the Windows
// version's database. While a backup, a restore, an import or a compaction
// runs, the main window is disabled and the connection closed; afterwards
// both are back, on the same person. What a restore replaces is archived
// afterwards by a SafetyArchive::Background, child of the main window.
namespace MaintenanceCommands {

void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2);

// The commands, as the menu runs them.
void backupDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2);
void restoreDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2,
                     SafetyArchive::Background& safety);
void showBackupHistory(MainWindowHost& host, TDataModule1& dm1);
void importWindowsDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2,
                           SafetyArchive::Background& safety);
void compactDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2);

// The way back from unusable records at start, before any main window:
// restores the archive over the record set, whose database is closed, with
// the usual safety archive, written before it returns, and the progress
// window (an encrypted archive's password asked first, until it is right or
// given up); returns the safety archive. Throws Restore::NotRestored when the data were left as they
// were, any other AppError when the swap began and could not be completed.
QString restoreAtStart(const QString& archive);

} // namespace MaintenanceCommands
