#pragma once

class MainWindowHost;
class QString;
class QWidget;
struct Settings;

namespace SettingsCommands {
// "&Fichier" / "&Propriétés": edits the settings in the properties dialog;
// on Ok the whole ini file is written at once and the running settings take
// the new values. Returns whether they changed.
bool editProperties(QWidget* parent, Settings& settings, const QString& iniFile);
// Wires the menu entry to the program's settings; the commands are
// recomputed after the dialog in every case (the e-mail commands depend on it).
void installCommands(MainWindowHost& host);
} // namespace SettingsCommands
