#include "GridPanel.h"

#include "DatasetUtils.h"
#include "EntryDialog.h"
#include "HouseholdFixture.h"
#include "Messages.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A panel showing a read-only join (events with their person's name) and
// changing rows through the events table, as the acts pages do.
class JoinedPanel : public ::testing::Test
{
protected:
    JoinedPanel()
    {
        m_person = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_other = m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
        m_view.setSql(QStringList{
            QStringLiteral("SELECT EVENT.Id, EVENT.Date_Event, EVENT.Description, PERSON.Name"),
            QStringLiteral("FROM EVENT LEFT JOIN PERSON ON EVENT.Id_Ref = PERSON.Id"),
            QStringLiteral("WHERE EVENT.Id_Ref=-1"), QStringLiteral("ORDER BY EVENT.Date_Event")});
        m_table.setSql(
            QStringList{QStringLiteral("SELECT * FROM EVENT"), QStringLiteral("ORDER BY Date_Event")});
        GridPanelSettings s;
        s.gridName = QStringLiteral("Grid_Test");
        s.query = &m_view;
        s.table = &m_table;
        s.columns = {{QStringLiteral("Date"), QStringLiteral("Date_Event")},
                     {QStringLiteral("Description"), QStringLiteral("Description")}};
        s.filterLine = QStringLiteral("WHERE EVENT.Id_Ref=%1");
        s.ownerId = [this] { return m_owner; };
        s.add = {QStringLiteral("Btn_Add"), {}, QStringLiteral("Ajouter")};
        s.edit = {QStringLiteral("Btn_Edit"), {}, QStringLiteral("Modifier")};
        s.remove = {QStringLiteral("Btn_Delete"), {}, QStringLiteral("Supprimer")};
        s.deleteQuestion = QStringLiteral("Désirez-vous supprimer cet événement ?");
        s.initNewRow = [this](Dataset& row) { row.field(QStringLiteral("Id_Ref")).setAsInteger(m_owner); };
        // The "dialog": types what the test asks, then confirms or cancels.
        s.runEntry = [this](QWidget*, Dataset& row) {
            EXPECT_TRUE(row.isEditing());
            if (!m_date.isEmpty())
                row.field(QStringLiteral("Date_Event")).setAsString(m_date);
            row.field(QStringLiteral("Description")).setAsString(m_text);
            if (!m_confirm)
                return false;
            row.post();
            return true;
        };
        m_panel = std::make_unique<GridPanel>(std::move(s));
        m_owner = m_person;
        m_panel->reload();
        m_panel->refreshStates(true);
    }

    void enter(const QString& date, const QString& text, bool confirm = true)
    {
        m_date = date;
        m_text = text;
        m_confirm = confirm;
    }
    QPushButton* button(const char* name)
    {
        return m_panel->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QStringList shown()
    {
        QStringList list;
        for (int row = 0; row < m_view.recordCount(); ++row)
            list << m_view.fieldAt(row, m_view.fieldIndex(QStringLiteral("Description"))).asString();
        return list;
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    Dataset m_view{QStringLiteral("View")};
    Dataset m_table{QStringLiteral("Table")};
    std::unique_ptr<GridPanel> m_panel;
    int m_person = 0;
    int m_other = 0;
    int m_owner = -1;
    QString m_date;
    QString m_text;
    bool m_confirm = true;
};

TEST_F(JoinedPanel, AddEditAndDeleteGoThroughTheTableOnOneRowAndReselectIt)
{
    const QStringList design = m_table.sql();
    EXPECT_TRUE(button("Btn_Add")->isEnabled());
    EXPECT_FALSE(button("Btn_Edit")->isEnabled());
    EXPECT_EQ(button("Btn_Edit")->accessibleName(), QStringLiteral("Modifier"));

    enter(QStringLiteral("05/12/2026"), QStringLiteral("soir"));
    button("Btn_Add")->click();
    enter(QStringLiteral("01/12/2026"), QStringLiteral("veille"));
    button("Btn_Add")->click();
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("veille"), QStringLiteral("soir")}));
    EXPECT_EQ(m_view.field(QStringLiteral("Description")).asString(), QStringLiteral("veille"))
        << "the new row is current";
    EXPECT_EQ(m_view.field(QStringLiteral("Name")).asString(), QStringLiteral("Durand"))
        << "shown through the join";
    EXPECT_FALSE(m_table.isActive());
    EXPECT_EQ(m_table.sql(), design) << "the table's statement comes back";

    // Changing the date moves the row down the list; it stays current.
    enter(QStringLiteral("09/12/2026"), QStringLiteral("veille, puis lendemain"));
    emit m_panel->grid()->doubleClicked(m_panel->grid()->model()->index(0, 0));
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("soir"), QStringLiteral("veille, puis lendemain")}));
    EXPECT_EQ(m_view.currentRow(), 1);

    enter({}, QStringLiteral("brouillon"), false);
    button("Btn_Add")->click();
    button("Btn_Edit")->click();
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("soir"), QStringLiteral("veille, puis lendemain")}))
        << "nothing kept from a cancelled entry";

    m_messages.queueAnswer(Messages::Answer::No);
    button("Btn_Delete")->click();
    EXPECT_EQ(m_view.recordCount(), 2);
    m_view.moveTo(0);
    button("Btn_Delete")->click();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("veille, puis lendemain")});
    EXPECT_EQ(m_messages.texts().last(), QStringLiteral("Désirez-vous supprimer cet événement ?"));
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT count(*) FROM EVENT")), 1);
}

TEST_F(JoinedPanel, EachOwnerSeesItsRowsAndARefusedEntryLeavesNothingPending)
{
    enter(QStringLiteral("05/12/2026"), QStringLiteral("Durand"));
    button("Btn_Add")->click();
    m_owner = m_other;
    m_panel->reload();
    EXPECT_TRUE(shown().isEmpty());
    m_panel->refreshStates(true);
    EXPECT_FALSE(button("Btn_Delete")->isEnabled());

    // An entry that throws (a refused post) leaves the table closed, no row pending.
    enter(QStringLiteral("99/99/2026"), QStringLiteral("date impossible"));
    button("Btn_Add")->click();
    EXPECT_EQ(m_messages.texts().size(), 1);
    EXPECT_FALSE(m_table.isActive());
    EXPECT_TRUE(shown().isEmpty());
    m_owner = -1;
    m_panel->reload();
    m_panel->refreshStates(false);
    EXPECT_FALSE(button("Btn_Add")->isEnabled());
}

// The entry dialog keeps what was typed when the database refuses it.
TEST(EntryDialogPost, ARefusedPostKeepsTheDialogOpenWithWhatWasTyped)
{
    HouseholdFixture household;
    household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
    Messages::Recorder messages;
    Dataset events(QStringLiteral("Events"));
    events.setSql(QStringLiteral("SELECT * FROM EVENT"));
    events.open();
    events.append();
    EntryDialog dialog(events, QStringLiteral("EnterTest"), QStringLiteral("  Saisie"));
    QLineEdit* date =
        dialog.addLineField(QStringLiteral("&Date"), QStringLiteral("Ed_Date"), QStringLiteral("Date_Event"));
    dialog.setOkRule(
        [&] { return !events.field(QStringLiteral("Date_Event")).asString().trimmed().isEmpty(); });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Saisie"));
    EXPECT_EQ(date->accessibleName(), QStringLiteral("Date"));
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    events.field(QStringLiteral("Date_Event")).setAsString(QStringLiteral("31/02/2026"));
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    dialog.show();
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(events.state(), Dataset::State::Insert);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("31/02/2026")));
    dialog.findChild<QPushButton*>(QStringLiteral("Btn_Cancel"))->click();
    EXPECT_FALSE(events.isEditing());
    EXPECT_EQ(events.recordCount(), 0);
}

} // namespace
