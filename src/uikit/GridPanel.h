#pragma once

#include "DatasetGrid.h"

#include <functional>
#include <QIcon>
#include <QWidget>

class QHBoxLayout;
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
};

// What a grid panel shows and how its rows are added, changed and deleted.
struct GridPanelSettings
{
    QString gridName;
    QString accessibleName;
    Dataset* query = nullptr; // what the grid shows, possibly a read-only join
    Dataset* table = nullptr; // where rows are added, changed and deleted; the query itself when null
    QList<GridColumn> columns;
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
};

// A read-only grid over a query with its add, edit and delete buttons (and
// any extra ones): the piece every page, list window and value list of the
// program is built from. Changes go through the table dataset on the row the
// grid shows; afterwards the query is reopened in its order with that row
// current, and changed() is raised.
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
    bool separateTable() const { return m_settings.table && m_settings.table != m_settings.query; }
    void openTableOn(int id);
    void closeTable();
    void runEntryOnTable(const GridPanelSettings::Entry& entry);
    void afterChange();

    GridPanelSettings m_settings;
    DatasetGrid* m_grid;
    QHBoxLayout* m_buttons;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
    QList<QPair<QPushButton*, std::function<bool()>>> m_extra;
    QStringList m_tableDesign;
    int m_buttonCount = 0;
    bool m_available = false; // as the owner last said
};
