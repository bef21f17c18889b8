#include "DocumentPage.h"
#include "FileDialogs.h"
#include "GridPanel.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "ProgramAssembly.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>

namespace {

// The page in the real main window: tab 7, loaded when chosen, emptied
// when left, its commands following the person.
TEST(DocumentTab, FollowsThePersonAndTheTabs)
{
    HouseholdFixture household;
    Messages::Recorder messages;
    FileDialogs::Recorder dialogs;
    const int first = household.addPerson(QStringLiteral("Aubert"), QStringLiteral("Luc"));
    household.addPerson(QStringLiteral("Blanc"), QStringLiteral("Zoé"));
    auto form = ProgramAssembly::mainWindow(household.dm(), household.dm2());
    form->show();
    auto* tabs = form->findChild<QTabBar*>(QStringLiteral("TabNoteBook"));
    ASSERT_EQ(tabs->tabText(TMainForm::Document), QStringLiteral("Documents"));
    auto* page = qobject_cast<DocumentPage*>(form->page(TMainForm::Document));
    ASSERT_NE(page, nullptr);
    tabs->setCurrentIndex(TMainForm::Document);
    ASSERT_EQ(household.dm().Person.field(QStringLiteral("Id")).asInteger(), first);

    const QString chosen = household.dataFolder() + QStringLiteral("bilan.pdf");
    TestFolders::writeFile(chosen, "%PDF-1.4 bilan");
    dialogs.queueAnswer(chosen);
    form->findChild<QPushButton*>(QStringLiteral("Btn_Document_File_Add"))->click();
    EXPECT_TRUE(form->findChild<QPushButton*>(QStringLiteral("Btn_Document_File_Exe"))->isEnabled());
    const int id = page->files()->currentId();
    EXPECT_TRUE(QFileInfo::exists(household.dm().documentFile(id)));

    // The next person has no file: only adding is possible.
    form->Btn_Main_NextClick();
    EXPECT_FALSE(page->files()->hasRows());
    EXPECT_FALSE(form->findChild<QPushButton*>(QStringLiteral("Btn_Document_File_Exe"))->isEnabled());
    EXPECT_TRUE(form->findChild<QPushButton*>(QStringLiteral("Btn_Document_Img_Add"))->isEnabled());
    form->Btn_Main_PriorClick();
    EXPECT_TRUE(page->files()->hasRows());

    tabs->setCurrentIndex(TMainForm::Event);
    EXPECT_FALSE(household.dm().DocumentFile.isActive());
    EXPECT_EQ(page->images()->count(), 0);

    // Deleting the person takes the stored archive with it.
    household.dm().deletePerson();
    EXPECT_FALSE(QFileInfo::exists(household.dm().documentFile(id)));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

} // namespace
