#include "ComboItems.h"
#include "CustomPage.h"
#include "GeneralPage.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "TEnterStr.h"
#include "TMainForm.h"
#include "TStrList.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

namespace {

class PersonPages : public ::testing::Test
{
protected:
    PersonPages()
    {
        m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
    }
    template <typename T = QLineEdit> T* find(const QString& name) const
    {
        T* w = m_form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    Dataset& person() { return m_household.dm().Person; }
    // Types into a field as the user does.
    static void type(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // The pick list open at the moment, if any.
    static TStrList* openList()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* list = qobject_cast<TStrList*>(w); list && list->isVisible())
                return list;
        return nullptr;
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    std::unique_ptr<TMainForm> m_form;
};

TEST_F(PersonPages, GeneralFieldsShowAndEditTheCurrentPerson)
{
    EXPECT_EQ(find(QStringLiteral("Ed_Name"))->text(), QStringLiteral("Durand"));
    EXPECT_EQ(find(QStringLiteral("Ed_ForeName"))->text(), QStringLiteral("Élise"));
    type(find(QStringLiteral("Ed_BirthDay_City")), QStringLiteral("Lyon"));
    EXPECT_TRUE(person().isEditing());
    EXPECT_TRUE(find<QPushButton>(QStringLiteral("Btn_Main_Record"))->isEnabled());
    find<QPushButton>(QStringLiteral("Btn_Main_Record"))->click();
    EXPECT_FALSE(person().isEditing());
    EXPECT_EQ(person().field(QStringLiteral("BirthDay_City")).asString(), QStringLiteral("Lyon"));
    EXPECT_TRUE(m_messages.texts().isEmpty()) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PersonPages, ABirthDateThatIsNotADateIsKeptAsTyped)
{
    person().edit();
    person().field(QStringLiteral("BirthDay_Date")).setAsString(QStringLiteral("31/02/19  "));
    find<QPushButton>(QStringLiteral("Btn_Main_Record"))->click();
    EXPECT_FALSE(person().isEditing());
    EXPECT_EQ(person().field(QStringLiteral("BirthDay_Date")).asString(), QStringLiteral("31/02/19  "));
}

TEST_F(PersonPages, BloodGroupIsChosenFromItsListAndShownAsABadge)
{
    EXPECT_EQ(GeneralPage::badgeText(QStringLiteral("groupe é à ç")), QStringLiteral("GROUPE E A C"));
    auto* blood = find(QStringLiteral("Ed_Blood"));
    EXPECT_TRUE(blood->isReadOnly());
    find<QPushButton>(QStringLiteral("Btn_Blood"))->click();
    TStrList* list = openList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->list()->count(), 9) << "eight groups and the empty entry";
    EXPECT_TRUE(person().isEditing()) << "the list puts the person in edit first";
    list->list()->setCurrentItem(list->list()->findItems(QStringLiteral("O-"), Qt::MatchExactly).first());
    list->choose();
    auto* badge = find<QLabel>(QStringLiteral("AquaImage_Blood"));
    EXPECT_EQ(person().field(QStringLiteral("Blood")).asString(), QStringLiteral("O-"));
    EXPECT_EQ(badge->text(), QStringLiteral("O-"));
    EXPECT_TRUE(badge->isVisible());

    find<QPushButton>(QStringLiteral("Btn_Blood"))->click();
    list = openList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->list()->currentItem()->text(), QStringLiteral("O-")) << "the field's group preselected";
    list->list()->setCurrentRow(0);
    list->choose();
    EXPECT_TRUE(person().field(QStringLiteral("Blood")).isNull());
    EXPECT_FALSE(badge->isVisible());
}

TEST_F(PersonPages, EnterInTheCityFieldOpensItsSortedList)
{
    ComboItems::store(m_household.dm().ComboItems, QStringLiteral("BirthDay_City"),
                      QStringLiteral("Nantes\r\nBrest\r\nLyon"));
    auto* city = find(QStringLiteral("Ed_BirthDay_City"));
    city->setFocus();
    QTest::keyClick(city, Qt::Key_Return);
    TStrList* list = openList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->height(), 4 * list->entryHeight() + 3) << "three places and the empty entry";
    EXPECT_EQ(list->list()->item(1)->text(), QStringLiteral("Brest"));
    list->close();
}

TEST_F(PersonPages, WithoutAPersonTheFieldsAreDisabled)
{
    m_messages.queueAnswer(Messages::Answer::Yes);
    find<QPushButton>(QStringLiteral("Btn_Main_Delete"))->click();
    for (const char* name : {"Ed_Name", "Ed_No", "Ed_BirthDay_Date", "Ed_Blood", "Ed_Misc01"})
        EXPECT_FALSE(find(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_FALSE(find<QPushButton>(QStringLiteral("Btn_Blood"))->isEnabled());
    EXPECT_FALSE(find<QPlainTextEdit>(QStringLiteral("Ed_Previous"))->isEnabled());
    EXPECT_FALSE(find<QPlainTextEdit>(QStringLiteral("Ed_Misc12"))->isEnabled());
}

TEST_F(PersonPages, HistoryAndCustomFieldsAreKeptWhenMovingToAnotherPerson)
{
    m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
    m_form->RefreshPersonList(-1);
    m_form->findChild<QTabBar*>(QStringLiteral("TabNoteBook"))->setCurrentIndex(TMainForm::Previous);
    auto* previous = find<QPlainTextEdit>(QStringLiteral("Ed_Previous"));
    previous->setFocus();
    previous->insertPlainText(QStringLiteral("Diabète chez la mère"));
    find<QPushButton>(QStringLiteral("Btn_Main_Next"))->click();
    EXPECT_EQ(person().field(QStringLiteral("Name")).asString(), QStringLiteral("Martin"));
    EXPECT_TRUE(previous->toPlainText().isEmpty());
    find<QPushButton>(QStringLiteral("Btn_Main_Prior"))->click();
    EXPECT_EQ(previous->toPlainText(), QStringLiteral("Diabète chez la mère"));
}

TEST_F(PersonPages, ClosingSavesThePendingChangeOrStaysOpenWithItsMessage)
{
    type(find(QStringLiteral("DBEdit1")), QStringLiteral("trois kilos"));
    m_form->close();
    EXPECT_TRUE(m_form->isVisible()) << "a weight that does not read is not lost";
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(person().isEditing());

    type(find(QStringLiteral("DBEdit1")), QStringLiteral("3,4"));
    m_form->close();
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_DOUBLE_EQ(person().field(QStringLiteral("BirthDay_Weight")).asDouble(), 3.4);
}

TEST_F(PersonPages, CustomCaptionsAreLoadedAndRenamedForEveryone)
{
    auto* page = m_form->findChild<CustomPage*>();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->caption(3)->text(), QStringLiteral("Allergies")) << "from the labels row of the template";
    EXPECT_EQ(page->caption(1)->toolTip(), QStringLiteral("Double-cliquez\r\npour modifier"));

    NextModal::answer<TEnterStr>([](TEnterStr* w) {
        EXPECT_EQ(w->Ed_Str()->text(), QStringLiteral("Allergies"));
        w->Ed_Str()->clear();
        EXPECT_FALSE(w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->isEnabled()) << "never empty";
        w->Ed_Str()->setText(QStringLiteral("Intolérances"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    page->renameCaption(3);
    EXPECT_EQ(page->caption(3)->text(), QStringLiteral("Intolérances"));

    NextModal::answer<TEnterStr>([](TEnterStr* w) { w->close(); });
    page->renameCaption(3);
    EXPECT_EQ(page->caption(3)->text(), QStringLiteral("Intolérances")) << "cancelling keeps the caption";

    CustomPage again(m_household.dm());
    again.loadCaptions();
    EXPECT_EQ(again.caption(3)->text(), QStringLiteral("Intolérances"));
}

TEST_F(PersonPages, MissingLabelsRowIsCreatedWithEmptyCaptions)
{
    Dataset& labels = m_household.dm().CustomLabel;
    labels.open();
    labels.remove();
    labels.close();
    CustomPage page(m_household.dm());
    page.loadCaptions();
    for (int k = 1; k <= CustomPage::kFields; ++k)
        EXPECT_TRUE(page.caption(k)->text().isEmpty()) << k;
    labels.open();
    EXPECT_EQ(labels.recordCount(), 1);
    labels.close();
}

} // namespace
