#pragma once

class MainWindowHost;
class TDataModule1;

namespace ReferenceLists {
// Wires the five entries of the "&Listes" menu, each showing its kind's
// list window (TReferenceList) modally.
void installCommands(MainWindowHost& host, TDataModule1& dm);
} // namespace ReferenceLists
