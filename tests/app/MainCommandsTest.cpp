#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "TestFolders.h"
#include "TMainForm.h"
#include "UrlCatcher.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QDesktopServices>
#include <QMenu>
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
    QAction* action(const char* name) const { return m_form->findChild<QAction*>(QString::fromLatin1(name)); }
    QMenu* menu(const char* name) const { return m_form->findChild<QMenu*>(QString::fromLatin1(name)); }
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
    for (const char* m : {"Menu_Report", "Menu_Html", "Menu_Table"})
        EXPECT_FALSE(menu(m)->menuAction()->isEnabled()) << m;
    for (const char* a :
         {"Popup_File_Printer", "Popup_File_Quit", "Popup_Help_Doc", "Popup_Help_Web", "Popup_Help_About"})
        EXPECT_TRUE(action(a)->isEnabled()) << a;
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

TEST_F(MainCommands, HelpOpensThePageOrSaysItIsMissing)
{
    action("Popup_Help_Doc")->trigger();
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("Le fichier d'aide est introuvable !")});

    UrlCatcher catcher;
    TestFolders::writeFile(program().folders.helpFile, "<html></html>");
    action("Popup_Help_Doc")->trigger();
    action("Popup_Help_Web")->trigger();
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
    m_form->TabNoteBookTabChange(TMainForm::General);
    EXPECT_EQ(tabs->currentIndex(), TMainForm::General);
}

TEST_F(MainCommands, ListsMenuOpensEachReferenceList)
{
    const struct
    {
        const char* action;
        const char* windowClass;
    } entries[] = {{"Maladies1", "TIllnessList"},
                   {"Vaccins1", "TVaccineList"},
                   {"Mdicaments1", "TDrugList"},
                   {"Praticiens1", "TDoctorList"},
                   {"Pharmacie1", "TPharmacyList"}};
    for (const auto& e : entries) {
        ASSERT_TRUE(action(e.action)->isEnabled()) << e.action;
        EXPECT_EQ(NextModal::openedBy([&] { action(e.action)->trigger(); }),
                  QString::fromLatin1(e.windowClass))
            << e.action;
    }
    EXPECT_TRUE(m_messages.texts().isEmpty());
}

TEST_F(MainCommands, QuitClosesTheWindow)
{
    action("Popup_File_Quit")->trigger();
    EXPECT_FALSE(m_form->isVisible());
}

} // namespace
