#pragma once

class MainWindowHost;
class TDataModule1;

// The growth and analyses commands of the main window's menus.
namespace Growth {
// "&Analyses" of the lists menu: the catalogue of analyses, after which
// the "Analyses" page, when visible, is shown again.
void installCommands(MainWindowHost& host, TDataModule1& dm);
} // namespace Growth
