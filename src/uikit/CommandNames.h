#pragma once

#include <QString>

// The main window's menus and menu entries under their design names, which
// are their objectNames: tests and assistive technologies find them by
// these. The code spells them only here, so that a wrong name fails to
// compile: the command table (TMainForm) makes one entry of each command,
// the subsystems wire theirs with MainWindowHost::setCommand, and the tests
// trigger them through the same constants.

// A design name of one kind: entries of the command table and menus are
// kept apart by type, so that neither is passed for the other.
template <typename Kind> class DesignName
{
public:
    explicit constexpr DesignName(const char* designName) : m_designName(designName) {}
    const char* designName() const { return m_designName; }
    QString objectName() const { return QString::fromLatin1(m_designName); }

private:
    const char* m_designName;
};

// An entry of the command table.
using CommandName = DesignName<struct CommandKind>;
// A menu of the menu bar, or a sub-menu.
using MenuName = DesignName<struct MenuKind>;

namespace Menus {
inline constexpr MenuName File{"Btn_File"};
inline constexpr MenuName Lists{"Menu_List"};
inline constexpr MenuName Tables{"Menu_Table"};
inline constexpr MenuName UnpaidActs{"Popup_Table_Consult"};
inline constexpr MenuName UnpaidMedicines{"Popup_Table_Pharmacy"};
inline constexpr MenuName Print{"Menu_Report"};
inline constexpr MenuName Html{"Menu_Html"};
inline constexpr MenuName Tools{"Btn_Tools"};
inline constexpr MenuName Database{"Popup_Tools_DataBase"};
inline constexpr MenuName Help{"M10"};
} // namespace Menus

namespace Commands {
// "Fichier"
inline constexpr CommandName ChoosePrinter{"Popup_File_Printer"};
inline constexpr CommandName EditProperties{"Popup_File_Properties"};
inline constexpr CommandName ImportWindowsDatabase{"Popup_File_ImportWindows"};
inline constexpr CommandName ExportFhir{"Popup_File_Export_Fhir"};
inline constexpr CommandName ImportFhir{"Popup_File_Import_Fhir"};
inline constexpr CommandName Quit{"Popup_File_Quit"};

// "Listes": the reference lists and the analysis catalogue
inline constexpr CommandName IllnessList{"Maladies1"};
inline constexpr CommandName VaccineList{"Vaccins1"};
inline constexpr CommandName DrugList{"Mdicaments1"};
inline constexpr CommandName DoctorList{"Praticiens1"};
inline constexpr CommandName PharmacyList{"Pharmacie1"};
inline constexpr CommandName AnalysisCatalogue{"Popup_List_Analysis"};

// "Tableaux": the yearly synthesis, the booster reminders, and what the
// social security (Secu) or the complementary fund (Comp) still owes
inline constexpr CommandName ReimbursementSynthesis{"Popup_Table_Board"};
inline constexpr CommandName BoosterReminders{"Popup_Table_Vaccine"};
inline constexpr CommandName UnpaidActs{"Popup_Table_Consult_All"};
inline constexpr CommandName UnpaidActsSecu{"Popup_Table_Consult_Secu"};
inline constexpr CommandName UnpaidActsComp{"Popup_Table_Consult_Comp"};
inline constexpr CommandName UnpaidMedicines{"Popup_Table_Pharmacy_All"};
inline constexpr CommandName UnpaidMedicinesSecu{"Popup_Table_Pharmacy_Secu"};
inline constexpr CommandName UnpaidMedicinesComp{"Popup_Table_Pharmacy_Comp"};

// "Impression"
inline constexpr CommandName PrintHealthRecord{"Popup_Report_Fich"};
inline constexpr CommandName PrintActsHistory{"Popup_Report_List_Consult"};
inline constexpr CommandName PrintMedicinesHistory{"Popup_Report_List_Pharmacy"};
inline constexpr CommandName PrintReminderTables{"Popup_Report_List"};

// "Html"
inline constexpr CommandName HtmlHealthRecord{"Popup_Html_Fich"};
inline constexpr CommandName HtmlActsHistory{"Popup_Html_List_Consult"};
inline constexpr CommandName HtmlMedicinesHistory{"Popup_Html_List_Pharmacy"};
inline constexpr CommandName HtmlReminderTables{"Popup_Html_Inventory"};

// "Outils" > "Base de données"
inline constexpr CommandName BackupDatabase{"Popup_Tools_DataBase_Backup"};
inline constexpr CommandName RestoreDatabase{"Popup_Tools_DataBase_restore"};
inline constexpr CommandName BackupHistory{"Popup_Tools_DataBase_History"};
inline constexpr CommandName CompactDatabase{"Popup_Tools_DataBase_Compact"};

// "Aide"
inline constexpr CommandName OpenDocumentation{"Popup_Help_Doc"};
inline constexpr CommandName OpenWebSite{"Popup_Help_Web"};
inline constexpr CommandName ShowAbout{"Popup_Help_About"};
} // namespace Commands
