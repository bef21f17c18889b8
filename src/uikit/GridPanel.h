#pragma once

#include "DatasetGrid.h"

#include <functional>
#include <QIcon>
#include <QWidget>

class GridPanel;
class QHBoxLayout;
class QMenu;
class QPushButton;

// A command button of a grid panel. A button without a caption shows its
// icon and takes its hint as accessible name; one without a name is left out.
struct PanelButton
{
    QString name;
    QString caption = {};
    QString hint = {};
    QIcon icon = {};
    bool atRight = false; // at the right end of the row instead of after the others
    QSize iconSize = {};  // the style's when not given
};

// One entry of a row menu: what it does to the grid's current row.
struct RowMenuEntry
{
    QString name; // the action's object name
    QString caption;
    // Whether the current row allows it, read from the grid's query on that
    // row; always when not given.
    std::function<bool(const Dataset& current)> offered;
    std::function<void(GridPanel& panel)> run;
};

// What can be done to the grid's current row besides editing it: a pop-up
// menu opened by a picture button at the right end of the buttons (the menu
// up and to the left of it) and by a right click on the grid. It opens only
// on a row that offers one of its entries (and that its own rule, when
// given, allows), those not offered disabled; the button is enabled exactly
// then, following the current row. An entry triggered on a row that does
// not offer it does nothing.
struct RowMenu
{
    QString name; // the menu's object name; no menu without it
    PanelButton button;
    QList<RowMenuEntry> entries;
    std::function<bool(const Dataset& current)> opensOn = {};
};

// What a grid panel shows and how its rows are added, changed and deleted.
struct GridPanelSettings
{
    QString gridName;
    QString accessibleName;
    Dataset* query = nullptr; // what the grid shows, possibly a read-only join
    Dataset* table = nullptr; // where rows are added, changed and deleted; the query itself when null
    QList<GridColumn> columns;
    bool lastColumnFills = false; // the last column takes the room the others leave
    int rowHeight = 0;            // rows of one line that high, not wrapped; 0: the grid's own
    // The WHERE line that ties the query to its owner (a person, an
    // analysis), "%1" standing for the owner's Id, -1 when there is none;
    // empty for a query opened as it is designed.
    QString filterLine = {};
    std::function<int()> ownerId = {};
    PanelButton add = {};
    PanelButton edit = {};
    PanelButton remove = {};
    QString deleteQuestion = {};
    // The defaults of a new row, beyond those of the table's own new-row event.
    std::function<void(Dataset& row)> initNewRow = {};
    // Shows the entry dialog modally on the row, which is in insert or edit;
    // returns true when the dialog posted it.
    using Entry = std::function<bool(QWidget* parent, Dataset& row)>;
    Entry runEntry = {};
    RowMenu rowMenu = {};
};

// A read-only grid over a query with its add, edit and delete buttons (and
// any extra ones, and a row menu): the piece every page, list window and
// value list of the program is built from. Changes go through the table
// dataset, opened on the one row concerned (RowEditing::ScopedRow) when it
// is not the query itself; afterwards the query is reopened in its order
// with that row current, and changed() is raised.
class GridPanel : public QWidget
{
    Q_OBJECT
public:
    explicit GridPanel(GridPanelSettings settings, QWidget* parent = nullptr);

    DatasetGrid* grid() const { return m_grid; }
    QHBoxLayout* buttonRow() const { return m_buttons; }
    Dataset& query() const { return *m_settings.query; }
    Dataset& table() const { return m_settings.table ? *m_settings.table : *m_settings.query; }

    // Reopens the query for its owner with the row of that Id current (-1: the first).
    void reload(int rowId = -1);
    void close();
    bool hasRows() const;
    int currentId() const; // -1 without a current row
    // Enables the commands; `available` tells whether rows may be added at
    // all (there is a person, an analysis is chosen...).
    void refreshStates(bool available);

    // A button after the others; `enabled` is asked by refreshStates, which
    // otherwise enables it with the edit button.
    QPushButton* addButton(const PanelButton& button, std::function<void()> handler,
                           std::function<bool()> enabled = {});

    // Changes the current row through another entry window than the edit
    // command's (a reimbursement, say), with the same reopening afterwards.
    void editRowWith(const GridPanelSettings::Entry& entry);

public slots:
    void addRow();
    void editRow() { editRowWith(m_settings.runEntry); }
    void deleteRow();

signals:
    void changed();

private:
    QPushButton* makeButton(const PanelButton& button);
    void buildRowMenu();
    bool rowMenuOpens() const;
    bool offers(const RowMenuEntry& entry) const;
    void popUpRowMenu(const QPoint& at);
    bool separateTable() const { return m_settings.table && m_settings.table != m_settings.query; }
    // Runs the command on the table's row of that Id (-1: a new one), then
    // shows the row it posted.
    void changeRow(int id, const std::function<bool(Dataset& row)>& command);
    void afterChange();

    GridPanelSettings m_settings;
    DatasetGrid* m_grid;
    QHBoxLayout* m_buttons;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
    QList<QPair<QPushButton*, std::function<bool()>>> m_extra;
    QMenu* m_rowMenu = nullptr;
    QPushButton* m_rowMenuButton = nullptr;
    int m_buttonCount = 0;
    bool m_available = false; // as the owner last said
};
