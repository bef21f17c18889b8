#include "CommandNames.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "TestFolders.h"
#include "TMainForm.h"
#include "UrlCatcher.h"

#include <functional>
#include <gtest/gtest.h>
#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QUrl>

namespace {

class MainCommands : public ::testing::Test
{
protected:
    MainCommands()
    {
        program().folders.helpFile = m_household.dataFolder() + QStringLiteral("doc.htm");
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
    }
    QAction* action(CommandName name) const { return m_form->findChild<QAction*>(name.objectName()); }
    QMenu* menu(MenuName name) const { return m_form->findChild<QMenu*>(name.objectName()); }
    bool enabled(const char* button) const
    {
        return m_form->findChild<QPushButton*>(QString::fromLatin1(button))->isEnabled();
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    std::unique_ptr<TMainForm> m_form;
};

TEST_F(MainCommands, EmptyHouseholdLeavesOnlyNewPersonAndGeneralCommands)
{
    EXPECT_TRUE(enabled("Btn_Main_Add"));
    for (const char* button : {"Btn_Main_Prior", "Btn_Main_Next", "Btn_Main_Delete", "Btn_Main_Record",
                               "Btn_Imprimer", "Btn_Html", "Btn_Table"})
        EXPECT_FALSE(enabled(button)) << button;
    for (const MenuName m : {Menus::Print, Menus::Html, Menus::Tables})
        EXPECT_FALSE(menu(m)->menuAction()->isEnabled()) << m.objectName().toStdString();
    for (const CommandName a : {Commands::ChoosePrinter, Commands::Quit, Commands::OpenDocumentation,
                                Commands::OpenWebSite, Commands::ShowAbout})
        EXPECT_TRUE(action(a)->isEnabled()) << a.designName();
}

TEST_F(MainCommands, PersonBarButtonsAreNamedForAssistiveTechnologies)
{
    const struct
    {
        const char* name;
        const char* hint;
    } buttons[] = {{"Btn_Main_Prior", "Carnet précédent"},
                   {"Btn_Main_Next", "Carnet suivant"},
                   {"Btn_Main_Add", "Nouveau carnet de santé"},
                   {"Btn_Main_Delete", "Supprimer ce carnet de santé"},
                   {"Btn_Main_Record", "Enregistrer les modifications"}};
    for (const auto& b : buttons) {
        auto* button = m_form->findChild<QPushButton*>(QString::fromLatin1(b.name));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint));
        EXPECT_EQ(button->accessibleName(), QString::fromUtf8(b.hint));
    }
}

// The menus' and entries' object names are what assistive technologies and
// scripts find them by: spelled out here, apart from CommandNames.h, so that
// a change to a name there shows.
TEST_F(MainCommands, MenusKeepTheirDesignNamesInOrder)
{
    const std::function<QStringList(QMenu*)> names = [&names](QMenu* menu) {
        QStringList l{menu->objectName()};
        for (QAction* a : menu->actions()) {
            if (a->menu())
                l << names(a->menu());
            else if (!a->isSeparator())
                l << a->objectName();
        }
        return l;
    };
    QStringList tree;
    for (QAction* top : m_form->menuBar()->actions())
        tree << names(top->menu()).join(QLatin1Char(' '));
    EXPECT_EQ(tree.join(QLatin1Char('\n')).toStdString(),
              "Btn_File Popup_File_Printer Popup_File_Properties Popup_File_ImportWindows "
              "Popup_File_Export_Fhir Popup_File_Import_Fhir Popup_File_Quit\n"
              "Menu_List Maladies1 Vaccins1 Mdicaments1 Praticiens1 Pharmacie1 Popup_List_Analysis\n"
              "Menu_Table Popup_Table_Consult Popup_Table_Consult_All Popup_Table_Consult_Secu "
              "Popup_Table_Consult_Comp Popup_Table_Pharmacy Popup_Table_Pharmacy_All "
              "Popup_Table_Pharmacy_Secu Popup_Table_Pharmacy_Comp Popup_Table_Board Popup_Table_Vaccine\n"
              "Menu_Report Popup_Report_Fich Popup_Report_List_Consult Popup_Report_List_Pharmacy "
              "Popup_Report_List\n"
              "Menu_Html Popup_Html_Fich Popup_Html_List_Consult Popup_Html_List_Pharmacy "
              "Popup_Html_Inventory\n"
              "Btn_Tools Popup_Tools_DataBase Popup_Tools_DataBase_Backup Popup_Tools_DataBase_restore "
              "Popup_Tools_DataBase_History Popup_Tools_DataBase_Compact\n"
              "M10 Popup_Help_Doc Popup_Help_Web Popup_Help_About");
}

TEST_F(MainCommands, HelpOpensThePageOrSaysItIsMissing)
{
    action(Commands::OpenDocumentation)->trigger();
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("Le fichier d'aide est introuvable !")});

    UrlCatcher catcher;
    TestFolders::writeFile(program().folders.helpFile, "<html></html>");
    action(Commands::OpenDocumentation)->trigger();
    action(Commands::OpenWebSite)->trigger();
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls.at(0), QUrl::fromLocalFile(program().folders.helpFile));
    EXPECT_EQ(catcher.urls.at(1).scheme(), QStringLiteral("https"));
    EXPECT_EQ(m_messages.messages().size(), 1);
}

TEST_F(MainCommands, TabStripSwitchesPages)
{
    auto* tabs = m_form->findChild<QTabBar*>(QStringLiteral("TabNoteBook"));
    ASSERT_EQ(tabs->count(), 9);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Général"));
    EXPECT_EQ(tabs->tabText(8), QStringLiteral("Evénements"));
    tabs->setCurrentIndex(TMainForm::Vaccine);
    EXPECT_EQ(m_form->visiblePage(), TMainForm::Vaccine);
    m_form->showPage(TMainForm::General);
    EXPECT_EQ(tabs->currentIndex(), TMainForm::General);
}

TEST_F(MainCommands, ListsMenuOpensEachReferenceList)
{
    const struct
    {
        CommandName action;
        const char* title;
    } entries[] = {{Commands::IllnessList, "Liste des maladies"},
                   {Commands::VaccineList, "Liste des vaccins"},
                   {Commands::DrugList, "Liste des médicaments"},
                   {Commands::DoctorList, "Liste des praticiens"},
                   {Commands::PharmacyList, "Liste des pharmacies"}};
    for (const auto& e : entries) {
        ASSERT_TRUE(action(e.action)->isEnabled()) << e.action.designName();
        QString title;
        EXPECT_EQ(NextModal::openedBy([&] { action(e.action)->trigger(); }, &title),
                  QStringLiteral("TReferenceList"))
            << e.action.designName();
        EXPECT_EQ(title, QString::fromUtf8(e.title)) << e.action.designName();
    }
    EXPECT_TRUE(m_messages.texts().isEmpty());
}

TEST_F(MainCommands, QuitClosesTheWindow)
{
    action(Commands::Quit)->trigger();
    EXPECT_FALSE(m_form->isVisible());
}

} // namespace
