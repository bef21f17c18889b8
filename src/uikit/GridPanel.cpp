#include "GridPanel.h"

#include "CommandGuard.h"
#include "Messages.h"
#include "RowEditing.h"

#include <algorithm>
#include <optional>
#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

GridPanel::GridPanel(GridPanelSettings settings, QWidget* parent)
    : QWidget(parent), m_settings(std::move(settings)), m_grid(new DatasetGrid(this)),
      m_buttons(new QHBoxLayout)
{
    m_grid->setObjectName(m_settings.gridName);
    m_grid->setAccessibleName(m_settings.accessibleName);
    m_grid->setDataset(query(), m_settings.columns);
    if (m_settings.lastColumnFills)
        m_grid->horizontalHeader()->setStretchLastSection(true);
    if (m_settings.rowHeight > 0) {
        m_grid->setWordWrap(false);
        m_grid->verticalHeader()->setDefaultSectionSize(m_settings.rowHeight);
    }

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
    buildRowMenu();

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
    if (b.iconSize.isValid())
        button->setIconSize(b.iconSize);
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

void GridPanel::buildRowMenu()
{
    const RowMenu& settings = m_settings.rowMenu;
    if (settings.name.isEmpty())
        return;
    m_rowMenu = new QMenu(this);
    m_rowMenu->setObjectName(settings.name);
    for (const RowMenuEntry& entry : settings.entries) {
        QAction* action = m_rowMenu->addAction(entry.caption);
        action->setObjectName(entry.name);
        connectCommand(action, &QAction::triggered, this, [this, entry] {
            if (offers(entry))
                entry.run(*this);
        });
    }

    PanelButton button = settings.button;
    button.atRight = true;
    m_rowMenuButton = makeButton(button);
    connectCommand(m_rowMenuButton, &QPushButton::clicked, this, [this] {
        // Up and to the left of the button, which stands at the right end of its row.
        popUpRowMenu(m_rowMenuButton->mapToGlobal(QPoint(0, 0)) - QPoint(120, 42));
    });
    // The button follows the grid's current row.
    connect(&query(), &Dataset::currentChanged, m_rowMenuButton,
            [this] { m_rowMenuButton->setEnabled(m_available && rowMenuOpens()); });

    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connectCommand(m_grid, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint& at) { popUpRowMenu(m_grid->viewport()->mapToGlobal(at)); });
}

bool GridPanel::offers(const RowMenuEntry& entry) const
{
    return hasRows() && (!entry.offered || entry.offered(query()));
}

bool GridPanel::rowMenuOpens() const
{
    const RowMenu& menu = m_settings.rowMenu;
    if (!m_rowMenu || !hasRows() || (menu.opensOn && !menu.opensOn(query())))
        return false;
    return std::any_of(menu.entries.cbegin(), menu.entries.cend(),
                       [this](const RowMenuEntry& entry) { return offers(entry); });
}

void GridPanel::popUpRowMenu(const QPoint& at)
{
    if (!rowMenuOpens())
        return;
    const QList<QAction*> actions = m_rowMenu->actions();
    for (qsizetype i = 0; i < actions.size(); ++i)
        actions.at(i)->setEnabled(offers(m_settings.rowMenu.entries.at(i)));
    m_rowMenu->popup(at);
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
    if (m_rowMenuButton)
        m_rowMenuButton->setEnabled(available && rowMenuOpens());
}

// The buttons follow the rows at once; the owner recomputes the rest.
void GridPanel::afterChange()
{
    refreshStates(m_available);
    emit changed();
}

// The table is opened on the one row the command works on, never on the
// whole table, unless it is the query itself. However the command ends,
// the buttons follow and the owner hears of it.
void GridPanel::changeRow(int id, const std::function<bool(Dataset& row)>& command)
{
    bool posted = false;
    int postedId = -1;
    try {
        std::optional<RowEditing::ScopedRow> row;
        if (separateTable())
            row.emplace(table(), id);
        else if (!query().isActive())
            reload();
        Dataset& t = table();
        if (id >= 0 && t.isEmpty()) {
            // The row went away meanwhile: show what is there now.
            row.reset();
            reload();
            afterChange();
            return;
        }
        posted = command(t);
        if (posted && !t.isEmpty())
            postedId = t.field(QStringLiteral("Id")).asInteger();
    } catch (...) {
        afterChange();
        throw;
    }
    if (posted)
        reload(postedId);
    afterChange();
}

void GridPanel::addRow()
{
    changeRow(-1, [this](Dataset& t) {
        return RowEditing::add(t, m_settings.initNewRow, [this](Dataset& row) {
            return m_settings.runEntry && m_settings.runEntry(window(), row);
        });
    });
}

void GridPanel::editRowWith(const GridPanelSettings::Entry& entry)
{
    const int id = currentId();
    if (id < 0 && !hasRows())
        return;
    changeRow(id, [this, &entry](Dataset& t) {
        return RowEditing::change(t, [this, &entry](Dataset& row) { return entry && entry(window(), row); });
    });
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
    {
        RowEditing::ScopedRow shown(table(), currentId());
        if (shown.found())
            shown.row().remove();
    }
    reload();
    if (hasRows())
        query().moveTo(std::min(row, query().recordCount() - 1));
    afterChange();
}
