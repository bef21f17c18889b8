#include "GridPanel.h"

#include "AccessibleMenus.h"
#include "DatasetUtils.h"
#include "EntryDialog.h"
#include "Errors.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "RowEditing.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>

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
        m_panel = std::make_unique<GridPanel>(settings());
        m_owner = m_person;
        m_panel->reload();
        m_panel->refreshStates(true);
    }

    GridPanelSettings settings()
    {
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
        return s;
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

// Each column brings its width, sizing and drawing; the panel its row height.
TEST_F(JoinedPanel, TheGridIsLaidOutFromItsColumns)
{
    GridPanelSettings s = settings();
    s.columns = {
        {QStringLiteral("Date"), QStringLiteral("Date_Event"), 90, GridColumn::Sizing::Fixed},
        {.title = QStringLiteral("Jour"),
         .field = QStringLiteral("Date_Event"),
         .width = 40,
         .delegate = [](QObject* grid) { return new QStyledItemDelegate(grid); }},
        {QStringLiteral("Description"), QStringLiteral("Description"), 0, GridColumn::Sizing::Stretch},
        {QStringLiteral("Nom"), QStringLiteral("Name")}};
    s.lastColumnFills = true;
    s.rowHeight = 20;
    GridPanel panel(std::move(s));
    DatasetGrid* grid = panel.grid();
    QHeaderView* header = grid->horizontalHeader();
    EXPECT_EQ(header->sectionSize(0), 90);
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(header->sectionSize(1), 40);
    EXPECT_EQ(header->sectionResizeMode(1), QHeaderView::Interactive);
    EXPECT_EQ(header->sectionResizeMode(2), QHeaderView::Stretch);
    EXPECT_TRUE(header->stretchLastSection());
    EXPECT_EQ(grid->itemDelegateForColumn(0), nullptr);
    ASSERT_NE(grid->itemDelegateForColumn(1), nullptr);
    EXPECT_EQ(grid->itemDelegateForColumn(1)->parent(), grid);
    EXPECT_FALSE(grid->wordWrap());
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 20);
}

// A row menu whose entries depend on the row's description: "Rappeler" on
// a reminder, "Classer" on what is not filed yet.
TEST_F(JoinedPanel, TheRowMenuOffersWhatTheCurrentRowAllowsFromItsButtonAndARightClick)
{
    QStringList ran;
    const auto description = [](const Dataset& row) {
        return row.field(QStringLiteral("Description")).asString();
    };
    GridPanelSettings s = settings();
    s.rowMenu = {
        QStringLiteral("Popup_Test"),
        {.name = QStringLiteral("Btn_Test_Menu"),
         .hint = QStringLiteral("Suite"),
         .icon = QIcon(QPixmap(18, 18)),
         .iconSize = QSize(18, 18)},
        {{QStringLiteral("Popup_Test_Remind"), QStringLiteral("Rappeler"),
          [description](const Dataset& row) { return description(row).startsWith(QStringLiteral("rappel")); },
          [&ran](GridPanel& panel) { ran << QStringLiteral("rappel %1").arg(panel.currentId()); }},
         {QStringLiteral("Popup_Test_File"), QStringLiteral("Classer"),
          [description](const Dataset& row) { return !description(row).endsWith(QStringLiteral("classé")); },
          [&ran](GridPanel&) { ran << QStringLiteral("classer"); }}}};
    m_panel = std::make_unique<GridPanel>(std::move(s));
    m_panel->setGeometry(100, 100, 600, 300);
    m_panel->show();
    m_panel->reload();
    m_panel->refreshStates(true);
    auto* menu = m_panel->findChild<QMenu*>(QStringLiteral("Popup_Test"));
    ASSERT_NE(menu, nullptr);
    QPushButton* menuButton = button("Btn_Test_Menu");
    DatasetGrid* grid = m_panel->grid();
    const auto rightClick = [grid](int row) {
        const QPoint at(20, grid->rowViewportPosition(row) + 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &event);
        return grid->viewport()->mapToGlobal(at);
    };
    const auto entries = [menu] {
        QList<bool> enabled;
        for (QAction* action : menu->actions())
            enabled << action->isEnabled();
        return enabled;
    };

    // The picture button stands at the right end, named by its hint.
    EXPECT_EQ(m_panel->buttonRow()->itemAt(m_panel->buttonRow()->count() - 1)->widget(), menuButton);
    EXPECT_EQ(menuButton->accessibleName(), QStringLiteral("Suite"));
    EXPECT_EQ(menuButton->iconSize(), QSize(18, 18));
    // Nothing on an empty list.
    EXPECT_FALSE(menuButton->isEnabled());
    rightClick(0);
    EXPECT_FALSE(menu->isVisible());

    enter(QStringLiteral("01/12/2026"), QStringLiteral("rappel dentiste"));
    button("Btn_Add")->click();
    enter(QStringLiteral("02/12/2026"), QStringLiteral("bilan classé"));
    button("Btn_Add")->click();
    enter(QStringLiteral("03/12/2026"), QStringLiteral("rappel classé"));
    button("Btn_Add")->click();
    const int reminder = DatasetUtils::readNumber(QStringLiteral("SELECT max(Id) FROM EVENT"));

    // Nothing offered on the filed report: the button follows the current row.
    m_view.moveTo(1);
    EXPECT_FALSE(menuButton->isEnabled());
    rightClick(1);
    EXPECT_FALSE(menu->isVisible());
    m_view.moveTo(0);
    ASSERT_TRUE(menuButton->isEnabled());
    menuButton->click();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), menuButton->mapToGlobal(QPoint(0, 0)) - QPoint(120, 42));
    EXPECT_EQ(entries(), (QList<bool>{true, true}));
    // Open, it is found from the application with its entries.
    EXPECT_EQ(AccessibleMenus::open(),
              (QList<QStringList>{{QStringLiteral("Rappeler"), QStringLiteral("Classer")}}));
    menu->hide();
    EXPECT_TRUE(AccessibleMenus::open().isEmpty());

    m_view.moveTo(2);
    const QPoint clicked = rightClick(2);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), clicked);
    EXPECT_EQ(entries(), (QList<bool>{true, false}));
    menu->hide();
    // An entry the row does not offer does nothing, however triggered.
    menu->actions().at(1)->trigger();
    menu->actions().at(0)->trigger();
    EXPECT_EQ(ran, QStringList{QStringLiteral("rappel %1").arg(reminder)});

    m_panel->refreshStates(false);
    EXPECT_FALSE(menuButton->isEnabled());
}

// The row a command works on is the only one open, and however the command
// ends the table has no change pending and its designed statement back.
TEST_F(JoinedPanel, AScopedRowOpensItsRowAloneAndGivesTheTableBack)
{
    enter(QStringLiteral("05/12/2026"), QStringLiteral("Durand"));
    button("Btn_Add")->click();
    const int id = m_panel->currentId();
    const QStringList design = m_table.sql();
    const QString mine = QStringLiteral("WHERE Id_Ref=%1 and Id=%2");
    {
        RowEditing::ScopedRow other(m_table, mine.arg(m_other).arg(id));
        EXPECT_FALSE(other.found());
    }
    EXPECT_EQ(m_table.sql(), design);
    {
        RowEditing::ScopedRow row(m_table, mine.arg(m_person).arg(id));
        ASSERT_TRUE(row.found());
        EXPECT_EQ(m_table.recordCount(), 1);
        EXPECT_THROW(RowEditing::change(
                         row.row(),
                         [](Dataset& event) {
                             event.field(QStringLiteral("Description")).setAsString(QStringLiteral("jamais"));
                             throw AppError(QStringLiteral("refusé"));
                             return true;
                         }),
                     AppError);
        EXPECT_FALSE(m_table.isEditing());
    }
    EXPECT_FALSE(m_table.isActive());
    EXPECT_EQ(m_table.sql(), design);
    // A new row: the defaults, the entry, and nothing kept when it is not posted.
    {
        RowEditing::ScopedRow none(m_table, -1);
        EXPECT_FALSE(none.found());
        EXPECT_FALSE(RowEditing::add(
            none.row(),
            [this](Dataset& event) { event.field(QStringLiteral("Id_Ref")).setAsInteger(m_person); },
            [](Dataset& event) {
                EXPECT_EQ(event.state(), Dataset::State::Insert);
                return false;
            }));
        EXPECT_FALSE(none.found());
    }
    m_panel->reload();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Durand")}) << "nothing kept of the refused change";
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT count(*) FROM EVENT")), 1);
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
