#include "GridPanel.h"

#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "Messages.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

GridPanel::GridPanel(GridPanelSettings settings, QWidget* parent)
    : QWidget(parent), m_settings(std::move(settings)), m_grid(new DatasetGrid(this)),
      m_buttons(new QHBoxLayout)
{
    m_grid->setObjectName(m_settings.gridName);
    m_grid->setAccessibleName(m_settings.accessibleName);
    m_grid->setDataset(query(), m_settings.columns);

    m_buttons->addStretch();
    m_add = makeButton(m_settings.add);
    m_edit = makeButton(m_settings.edit);
    m_remove = makeButton(m_settings.remove);
    if (m_add)
        connectCommand(m_add, &QPushButton::clicked, this, [this] { addRow(); });
    if (m_edit)
        connectCommand(m_edit, &QPushButton::clicked, this, [this] { editRow(); });
    if (m_remove)
        connectCommand(m_remove, &QPushButton::clicked, this, [this] { deleteRow(); });
    connectCommand(m_grid, &QAbstractItemView::doubleClicked, this, [this] {
        if (m_edit && m_edit->isEnabled())
            editRow();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid, 1);
    layout->addLayout(m_buttons);
}

QPushButton* GridPanel::makeButton(const PanelButton& b)
{
    if (b.name.isEmpty())
        return nullptr;
    auto* button = new QPushButton(b.icon, b.caption, this);
    button->setObjectName(b.name);
    const QString spoken =
        b.caption.isEmpty() ? b.hint : QString(b.caption).remove(QLatin1Char('&')).trimmed();
    button->setAccessibleName(spoken);
    if (!b.hint.isEmpty())
        button->setToolTip(b.hint);
    // Enter in the grid or a dialog field must not run a command.
    button->setAutoDefault(false);
    // Commands line up from the left, before the stretch; one may stand at the right end.
    if (b.atRight)
        m_buttons->addWidget(button);
    else
        m_buttons->insertWidget(m_buttonCount++, button);
    return button;
}

QPushButton* GridPanel::addButton(const PanelButton& b, std::function<void()> handler,
                                  std::function<bool()> enabled)
{
    QPushButton* button = makeButton(b);
    connectCommand(button, &QPushButton::clicked, this, std::move(handler));
    m_extra.append({button, std::move(enabled)});
    return button;
}

void GridPanel::reload(int rowId)
{
    Dataset& q = query();
    q.close();
    if (!m_settings.filterLine.isEmpty())
        q.setWhereLine(m_settings.filterLine.arg(m_settings.ownerId ? m_settings.ownerId() : -1));
    q.open();
    if (rowId >= 0)
        q.locateId(rowId);
}

void GridPanel::close()
{
    query().close();
}

bool GridPanel::hasRows() const
{
    return query().isActive() && !query().isEmpty();
}

int GridPanel::currentId() const
{
    return hasRows() ? query().field(QStringLiteral("Id")).asInteger() : -1;
}

void GridPanel::refreshStates(bool available)
{
    m_available = available;
    const bool rows = available && hasRows();
    if (m_add)
        m_add->setEnabled(available);
    if (m_edit)
        m_edit->setEnabled(rows);
    if (m_remove)
        m_remove->setEnabled(rows);
    for (const auto& [button, enabled] : m_extra)
        button->setEnabled(enabled ? available && enabled() : rows);
}

// The buttons follow the rows at once; the owner recomputes the rest.
void GridPanel::afterChange()
{
    refreshStates(m_available);
    emit changed();
}

// The table is opened on the one row the command works on, never on the
// whole table; its designed statement comes back afterwards.
void GridPanel::openTableOn(int id)
{
    Dataset& t = table();
    t.close();
    m_tableDesign = t.sql();
    QStringList lines = m_tableDesign;
    const QString where = QStringLiteral("WHERE Id=%1").arg(id);
    const int at = DatasetUtils::lineOfKeyword(lines, QStringLiteral("WHERE"));
    if (at >= 0)
        lines[at] = where;
    else
        lines.insert(DatasetUtils::lineOfKeyword(lines, QStringLiteral("FROM")) + 1, where);
    t.setSql(lines);
    t.open();
}

void GridPanel::closeTable()
{
    table().close();
    table().setSql(m_tableDesign);
}

// Runs the entry dialog on the table's row, then puts the query back on it.
// However the dialog ends, no change stays pending.
void GridPanel::runEntryOnTable(const GridPanelSettings::Entry& entry)
{
    Dataset& t = table();
    bool posted = false;
    int id = -1;
    try {
        posted = entry && entry(window(), t);
        if (t.isEditing())
            t.cancel();
        if (posted && !t.isEmpty())
            id = t.field(QStringLiteral("Id")).asInteger();
    } catch (...) {
        if (t.isEditing())
            t.cancel();
        if (separateTable())
            closeTable();
        afterChange();
        throw;
    }
    if (separateTable())
        closeTable();
    if (posted)
        reload(id);
    afterChange();
}

void GridPanel::addRow()
{
    if (separateTable())
        openTableOn(-1);
    else if (!query().isActive())
        reload();
    Dataset& t = table();
    try {
        t.append();
        if (m_settings.initNewRow)
            m_settings.initNewRow(t);
    } catch (...) {
        t.cancel();
        if (separateTable())
            closeTable();
        throw;
    }
    runEntryOnTable(m_settings.runEntry);
}

void GridPanel::editRowWith(const GridPanelSettings::Entry& entry)
{
    const int id = currentId();
    if (id < 0 && !hasRows())
        return;
    if (separateTable())
        openTableOn(id);
    Dataset& t = table();
    if (t.isEmpty()) {
        // The row went away meanwhile: show what is there now.
        closeTable();
        reload();
        afterChange();
        return;
    }
    t.edit();
    runEntryOnTable(entry);
}

void GridPanel::deleteRow()
{
    if (!hasRows() || (!m_settings.deleteQuestion.isEmpty() && !Messages::ask(m_settings.deleteQuestion)))
        return;
    if (!separateTable()) {
        query().remove();
        afterChange();
        return;
    }
    const int row = query().currentRow();
    openTableOn(currentId());
    try {
        if (!table().isEmpty())
            table().remove();
    } catch (...) {
        closeTable();
        throw;
    }
    closeTable();
    reload();
    if (hasRows())
        query().moveTo(std::min(row, query().recordCount() - 1));
    afterChange();
}
