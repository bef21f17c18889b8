#include "Clock.h"
#include "DatasetGrid.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "TEnterEvents.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

namespace {

class EventsPage : public ::testing::Test
{
protected:
    EventsPage()
    {
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(9, 30)));
        m_personId = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
        m_form->findChild<QTabBar*>(QStringLiteral("TabNoteBook"))->setCurrentIndex(TMainForm::Event);
        m_page = qobject_cast<GridPage*>(m_form->page(TMainForm::Event));
    }
    ~EventsPage() override { Clock::setFixed({}); }

    QPushButton* button(const char* name) const
    {
        return m_form->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    Dataset& events() { return m_household.dm().Event; }
    static void describe(TEnterEvents* w, const QString& text)
    {
        w->findChild<QPlainTextEdit*>(QStringLiteral("Ed_Description"))->setPlainText(text);
    }
    void addEvent(const QString& date, const QString& time, const QString& text)
    {
        NextModal::answer<TEnterEvents>([date, time, text, this](TEnterEvents* w) {
            events().field(QStringLiteral("Date_Event")).setAsString(date);
            events().field(QStringLiteral("Time_Event")).setAsString(time);
            describe(w, text);
            w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
        });
        button("Btn_Event_Add")->click();
    }
    QStringList descriptions()
    {
        QStringList list;
        for (int row = 0; row < events().recordCount(); ++row)
            list << events().fieldAt(row, events().fieldIndex(QStringLiteral("Description"))).asString();
        return list;
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    std::unique_ptr<TMainForm> m_form;
    GridPage* m_page = nullptr;
    int m_personId = 0;
};

TEST_F(EventsPage, NewEventProposesTodayAndAnEmptyTime)
{
    ASSERT_NE(m_page, nullptr);
    EXPECT_TRUE(button("Btn_Event_Add")->isEnabled());
    EXPECT_FALSE(button("Btn_Event_Edit")->isEnabled());
    EXPECT_FALSE(button("Btn_Event_Delete")->isEnabled());
    NextModal::answer<TEnterEvents>([](TEnterEvents* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Saisie d'un événement"));
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Ed_Event_Date"))->text(),
                  QStringLiteral("09/12/2026"));
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
        EXPECT_FALSE(ok->isEnabled()) << "no description yet";
        describe(w, QStringLiteral("Chute à vélo, genou écorché"));
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    });
    button("Btn_Event_Add")->click();
    ASSERT_EQ(events().recordCount(), 1);
    EXPECT_EQ(events().field(QStringLiteral("Date_Event")).asString(), QStringLiteral("09/12/2026"));
    EXPECT_TRUE(
        events().field(QStringLiteral("Time_Event")).asString().trimmed().remove(QLatin1Char(':')).isEmpty());
    EXPECT_EQ(events().field(QStringLiteral("Id_Ref")).asInteger(), m_personId);
    EXPECT_TRUE(button("Btn_Event_Edit")->isEnabled());
    EXPECT_TRUE(button("Btn_Event_Delete")->isEnabled());
    EXPECT_EQ(m_household.dm().Event.isEditing(), false);
}

TEST_F(EventsPage, CancelAndFrameCloseDropTheRow)
{
    NextModal::answer<TEnterEvents>([](TEnterEvents* w) {
        describe(w, QStringLiteral("brouillon"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Cancel"))->click();
    });
    button("Btn_Event_Add")->click();
    EXPECT_EQ(events().recordCount(), 0);

    addEvent(QStringLiteral("01/12/2026"), QStringLiteral("10:00"), QStringLiteral("Fièvre"));
    NextModal::answer<TEnterEvents>([](TEnterEvents* w) {
        describe(w, QStringLiteral("changé"));
        w->close();
    });
    button("Btn_Event_Edit")->click();
    m_form->RefreshCurrentPage();
    EXPECT_EQ(descriptions(), QStringList{QStringLiteral("Fièvre")});
}

TEST_F(EventsPage, EachEntryTakesItsPlaceByDateAndTimeAndStaysSelected)
{
    addEvent(QStringLiteral("05/12/2026"), QStringLiteral("18:00"), QStringLiteral("soir"));
    addEvent(QStringLiteral("05/12/2026"), QStringLiteral("08:15"), QStringLiteral("matin"));
    addEvent(QStringLiteral("01/12/2026"), QStringLiteral("23:00"), QStringLiteral("veille"));
    EXPECT_EQ(descriptions(),
              (QStringList{QStringLiteral("veille"), QStringLiteral("matin"), QStringLiteral("soir")}));
    EXPECT_EQ(events().field(QStringLiteral("Description")).asString(), QStringLiteral("veille"));
    // Moving an event to a later time moves it down the list, still current.
    events().locate(QStringLiteral("Description"), QStringLiteral("veille"));
    NextModal::answer<TEnterEvents>([this](TEnterEvents* w) {
        events().field(QStringLiteral("Date_Event")).setAsString(QStringLiteral("06/12/2026"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    button("Btn_Event_Edit")->click();
    EXPECT_EQ(descriptions(),
              (QStringList{QStringLiteral("matin"), QStringLiteral("soir"), QStringLiteral("veille")}));
    EXPECT_EQ(events().currentRow(), 2);
    auto* grid = m_form->findChild<DatasetGrid*>(QStringLiteral("Grid_Event"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Heure"));
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), QStringLiteral("08:15"));
}

TEST_F(EventsPage, DeletingTheLastEventAsksAndDisablesEditAndDelete)
{
    addEvent(QStringLiteral("05/12/2026"), QStringLiteral("18:00"), QStringLiteral("Urgences"));
    m_messages.queueAnswer(Messages::Answer::No);
    button("Btn_Event_Delete")->click();
    EXPECT_EQ(m_messages.texts().last(), QStringLiteral("Désirez-vous supprimer cet événement ?"));
    EXPECT_EQ(events().recordCount(), 1);
    button("Btn_Event_Delete")->click();
    EXPECT_EQ(events().recordCount(), 0);
    EXPECT_FALSE(button("Btn_Event_Edit")->isEnabled());
    EXPECT_FALSE(button("Btn_Event_Delete")->isEnabled());
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT count(*) FROM EVENT")), 0);
}

TEST_F(EventsPage, EachPersonSeesOnlyItsEventsAndLeavingThePageClosesThem)
{
    addEvent(QStringLiteral("05/12/2026"), QString(), QStringLiteral("Élise"));
    m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
    m_form->RefreshPersonList(-1);
    EXPECT_EQ(m_household.dm().Person.field(QStringLiteral("Name")).asString(), QStringLiteral("Durand"));
    button("Btn_Main_Next")->click();
    EXPECT_EQ(events().recordCount(), 0);
    EXPECT_FALSE(button("Btn_Event_Edit")->isEnabled());
    m_form->TabNoteBookTabChange(TMainForm::General);
    EXPECT_FALSE(events().isActive());
}

TEST_F(EventsPage, WithoutAPersonEveryButtonIsDisabled)
{
    m_messages.queueAnswer(Messages::Answer::Yes);
    button("Btn_Main_Delete")->click();
    for (const char* b : {"Btn_Event_Add", "Btn_Event_Edit", "Btn_Event_Delete"})
        EXPECT_FALSE(button(b)->isEnabled()) << b;
}

TEST_F(EventsPage, DoubleClickOnAnEmptyGridDoesNothing)
{
    auto* grid = m_form->findChild<DatasetGrid*>(QStringLiteral("Grid_Event"));
    emit grid->doubleClicked(QModelIndex());
    EXPECT_FALSE(events().isEditing());
    EXPECT_TRUE(m_messages.texts().isEmpty());
}

} // namespace
