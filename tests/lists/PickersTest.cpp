#include "Clock.h"
#include "ComboItems.h"
#include "DataBinding.h"
#include "Errors.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "PickerRules.h"
#include "TComboList.h"
#include "TEnterStr.h"
#include "TestFolders.h"
#include "TSelectDate.h"
#include "TStrList.h"

#include <gtest/gtest.h>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Clicks the window's button of that design name, as the user does.
void click(QWidget* window, const char* name)
{
    auto* button = window->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

TEST(PickListRules, ColumnListsStartWithAnEmptyEntryAndSortWithoutCase)
{
    EXPECT_EQ(PickerRules::entries(QStringLiteral("O+\r\nab+\r\nA-\r\n"), true, true),
              (QStringList{QString(), QStringLiteral("A-"), QStringLiteral("ab+"), QStringLiteral("O+")}));
    EXPECT_EQ(PickerRules::entries(QStringLiteral("Oui\nNon"), false, false),
              (QStringList{QStringLiteral("Oui"), QStringLiteral("Non")}));
    EXPECT_EQ(PickerRules::entries(QString(), true, true), QStringList{QString()});
    EXPECT_EQ(PickerRules::entries(QStringLiteral("Éric\nEmile\nZoé"), true, false),
              (QStringList{QStringLiteral("Emile"), QStringLiteral("Éric"), QStringLiteral("Zoé")}))
        << "accented letters sort with their plain letter";
}

TEST(PickListRules, EditorMergesLinesThatDifferOnlyByCase)
{
    const QStringList shown = PickerRules::editorLines(QStringLiteral("b\r\nA\r\na"));
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown.at(0).toLower(), QStringLiteral("a"));
    EXPECT_EQ(shown.at(1), QStringLiteral("b"));
}

TEST(PickListRules, HeightAndPlacement)
{
    EXPECT_EQ(PickerRules::listHeight(4, 20), 83);
    EXPECT_EQ(PickerRules::listHeight(21, 20), 163);
    EXPECT_EQ(PickerRules::listHeight(0, 20), 23);
    const QRect field(100, 200, 150, 24);
    EXPECT_EQ(PickerRules::listGeometry(field, 163, 1024), QRect(100, 224, 150, 163));
    EXPECT_EQ(PickerRules::listGeometry(QRect(100, 900, 150, 24), 163, 1024), QRect(100, 736, 150, 163))
        << "near the bottom of the screen it opens above the field";
}

TEST(DatePickerRules, StartingDateNeedsARealDateWrittenInFull)
{
    const QDate today(2026, 12, 9);
    EXPECT_EQ(PickerRules::startingDate(QStringLiteral("29/02/2008"), today), QDate(2008, 2, 29));
    for (const char* text : {"29/02/2009", "1/02/2008", "  /  /    ", "", "31/04/2020", "2008-02-29"})
        EXPECT_EQ(PickerRules::startingDate(QString::fromLatin1(text), today), today) << text;
    EXPECT_EQ(PickerRules::monthNameInCapitals(8), QStringLiteral("AOÛT"));
    EXPECT_EQ(PickerRules::datePickerPosition(QRect(10, 100, 80, 20), 250, 1024), QPoint(10, 115));
    EXPECT_EQ(PickerRules::datePickerPosition(QRect(10, 800, 80, 20), 250, 1024), QPoint(10, 744));
}

class PickerWindows : public ::testing::Test
{
protected:
    PickerWindows()
    {
        m_host.resize(400, 300);
        m_field = new QLineEdit(&m_host);
        m_field->setGeometry(10, 10, 200, 24);
        m_host.show();
    }
    QWidget m_host;
    QLineEdit* m_field;
};

TEST_F(PickerWindows, PickListPreselectsTheFieldTextAndWritesTheChoice)
{
    m_field->setText(QStringLiteral("B+"));
    TStrList* list = TStrList::open(m_field, PickerRules::entries(QStringLiteral("A+\nB+\nO-"), true, true));
    EXPECT_EQ(list->list()->count(), 4);
    EXPECT_EQ(list->list()->currentRow(), 2);
    EXPECT_EQ(list->height(), 4 * list->entryHeight() + 3);
    EXPECT_EQ(list->list()->visualItemRect(list->list()->item(1)).height(), list->entryHeight());
    EXPECT_EQ(list->geometry().top(), m_field->mapToGlobal(QPoint(0, 0)).y() + m_field->height());

    list->list()->setCurrentRow(3);
    QTest::keyClick(list->list(), Qt::Key_Return);
    EXPECT_EQ(m_field->text(), QStringLiteral("O-"));
    EXPECT_EQ(m_field->property("tag").toInt(), 3);
    EXPECT_EQ(m_field->selectedText(), QStringLiteral("O-"));
}

TEST_F(PickerWindows, PickListEmptyEntryClearsAndEscapeChangesNothing)
{
    m_field->setText(QStringLiteral("inconnu"));
    TStrList* list = TStrList::open(m_field, PickerRules::entries(QStringLiteral("A+\nB+"), true, true));
    EXPECT_EQ(list->list()->currentRow(), 0) << "no match: the first entry";
    QTest::keyClick(list->list(), Qt::Key_Escape);
    EXPECT_EQ(m_field->text(), QStringLiteral("inconnu"));

    list = TStrList::open(m_field, PickerRules::entries(QStringLiteral("A+\nB+"), true, true));
    list->choose();
    EXPECT_EQ(m_field->text(), QString());
    EXPECT_EQ(m_field->property("tag").toInt(), 0);
}

TEST_F(PickerWindows, LongListShowsEightEntriesWithAScrollBar)
{
    QStringList twenty;
    for (int i = 1; i <= 20; ++i)
        twenty << QStringLiteral("Entrée %1").arg(i, 2, 10, QLatin1Char('0'));
    TStrList* list = TStrList::open(m_field, twenty);
    QApplication::processEvents();
    EXPECT_EQ(list->height(), 8 * list->entryHeight() + 3);
    EXPECT_TRUE(list->list()->verticalScrollBar()->isVisible());
    list->close();
}

TEST_F(PickerWindows, DatePickerArithmeticAndConfirmation)
{
    m_field->setText(QStringLiteral("31/03/2008"));
    TSelectDate* picker = TSelectDate::open(m_field);
    EXPECT_EQ(picker->date(), QDate(2008, 3, 31));
    EXPECT_EQ(picker->findChild<QLabel*>(QStringLiteral("Lab_Month"))->text(), QStringLiteral("MARS"));
    click(picker, "Btn_PriorMonth");
    EXPECT_EQ(picker->date(), QDate(2008, 2, 29));
    click(picker, "Btn_NextYear");
    EXPECT_EQ(picker->date(), QDate(2009, 2, 28));
    EXPECT_EQ(picker->findChild<QLabel*>(QStringLiteral("Lab_Year"))->text(), QStringLiteral("2009"));
    picker->setDate(QDate(2008, 12, 15));
    click(picker, "Btn_NextMonth");
    EXPECT_EQ(picker->date(), QDate(2009, 1, 15));
    click(picker, "Btn_Ok");
    EXPECT_EQ(m_field->text(), QStringLiteral("15/01/2009"));
}

TEST_F(PickerWindows, DatePickerStartsOnTodayClearsAndCancels)
{
    Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(8, 0)));
    m_field->setText(QStringLiteral("  /  /    "));
    TSelectDate* picker = TSelectDate::open(m_field);
    EXPECT_EQ(picker->date(), QDate(2026, 12, 9));
    click(picker, "Btn_Ok");
    EXPECT_EQ(m_field->text(), QStringLiteral("09/12/2026"))
        << "confirming untouched writes the starting date";

    picker = TSelectDate::open(m_field);
    EXPECT_EQ(picker->findChild<QPushButton*>(QStringLiteral("Btn_Clear"))->toolTip(),
              QStringLiteral("Effacer la date"));
    picker->findChild<QPushButton*>(QStringLiteral("Btn_Cancel"))->click();
    EXPECT_EQ(m_field->text(), QStringLiteral("09/12/2026"));
    picker = TSelectDate::open(m_field);
    click(picker, "Btn_Clear");
    EXPECT_TRUE(m_field->text().isEmpty());
    Clock::setFixed({});
}

TEST(TextEntry, OkOnlyWithText)
{
    TEnterStr window;
    window.Lab_Title()->setText(QStringLiteral("Modifiez le libellé"));
    auto* ok = window.findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
    EXPECT_FALSE(ok->isEnabled());
    window.Ed_Str()->setText(QStringLiteral("Allergies"));
    EXPECT_TRUE(ok->isEnabled());
    window.Ed_Str()->clear();
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Saisie d'une chaine de caractère"));
}

TEST(TextEntry, AskReturnsTheConfirmedTextOnly)
{
    NextModal::answer<TEnterStr>([](TEnterStr* w) {
        w->Ed_Str()->setText(QStringLiteral("Vaccins du voyage"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    EXPECT_EQ(TEnterStr::ask(QStringLiteral("Libellé"), QStringLiteral("Divers 1")),
              QStringLiteral("Vaccins du voyage"));
    NextModal::answer<TEnterStr>([](TEnterStr* w) { w->close(); });
    EXPECT_EQ(TEnterStr::ask(QStringLiteral("Libellé"), QStringLiteral("Divers 1")), std::nullopt);
}

// A choice the row refuses reaches the user as a message; the picker goes
// away and the program goes on, whichever picker and whichever way it was chosen.
TEST(PickerFailures, ARefusedWriteIsShownAndTheProgramGoesOn)
{
    HouseholdFixture household;
    household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
    Dataset events(QStringLiteral("Events"));
    events.setSql(QStringLiteral("SELECT * FROM EVENT"));
    // A computed field cannot take a value: every write to it fails.
    events.addCalculatedField(QStringLiteral("Summary"), Schema::ColumnType::Text,
                              [](const Dataset&) { return QStringLiteral("-"); });
    events.open();
    QWidget host;
    auto* field = new QLineEdit(&host);
    DataBinding::bind(field, events, QStringLiteral("Summary"));
    host.show();
    Messages::Recorder messages;

    QPointer<TStrList> list = TStrList::open(field, {QStringLiteral("Fièvre")});
    QTest::keyClick(list->list(), Qt::Key_Return);
    QPointer<TSelectDate> picker = TSelectDate::open(field);
    picker->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    picker = TSelectDate::open(field);
    picker->findChild<QPushButton*>(QStringLiteral("Btn_Clear"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_EQ(messages.texts().size(), 3);
    for (const QString& text : messages.texts())
        EXPECT_TRUE(text.contains(QStringLiteral("ne peut pas être modifié"))) << text.toStdString();
    EXPECT_TRUE(list.isNull() && picker.isNull()) << "the pickers closed";
    events.cancel();
    events.append();
    events.field(QStringLiteral("Description")).setAsString(QStringLiteral("suite"));
    events.field(QStringLiteral("Id_Ref")).setAsInteger(1);
    EXPECT_NO_THROW(events.post());
}

class ListEditor : public ::testing::Test
{
protected:
    Dataset& items() { return m_household.dm().ComboItems; }
    HouseholdFixture m_household;
};

TEST_F(ListEditor, ShowsSortedUniqueLinesAndStoresTheTextAsEdited)
{
    ComboItems::store(items(), QStringLiteral("Misc01"), QStringLiteral("b\r\nA\r\na"));
    TComboList editor(QStringLiteral("Allergies"), items(), QStringLiteral("Misc01"));
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Allergies"));
    EXPECT_EQ(editor.editor()->toPlainText().count(QLatin1Char('\n')), 1);
    editor.editor()->setPlainText(QStringLiteral("pollen\narachide"));
    click(&editor, "Btn_Ok");
    EXPECT_EQ(ComboItems::read(items(), QStringLiteral("Misc01")), QStringLiteral("pollen\r\narachide"))
        << "not re-sorted";

    TComboList cancelled(QStringLiteral("Allergies"), items(), QStringLiteral("Misc01"));
    cancelled.editor()->setPlainText(QStringLiteral("rien"));
    cancelled.reject();
    EXPECT_EQ(ComboItems::read(items(), QStringLiteral("Misc01")), QStringLiteral("pollen\r\narachide"));
}

TEST_F(ListEditor, UnknownColumnsAreRefused)
{
    EXPECT_THROW(ComboItems::read(items(), QStringLiteral("Blood; DROP TABLE PERSON")), DatabaseError);
    EXPECT_THROW(ComboItems::store(items(), QStringLiteral("Groupe"), QStringLiteral("1")), DatabaseError);
    EXPECT_FALSE(m_household.dm().ComboItems.isActive()) << "closed after a failed access too";
    EXPECT_TRUE(ComboItems::read(items(), QStringLiteral("blood")).contains(QStringLiteral("AB+")));
}

} // namespace
