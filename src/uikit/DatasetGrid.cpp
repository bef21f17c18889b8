#include "DatasetGrid.h"

#include "CommandGuard.h"

#include <QHeaderView>

DatasetGrid::DatasetGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
}

void DatasetGrid::setDataset(Dataset& dataset, const QList<GridColumn>& columns)
{
    delete m_model;
    m_model = new DatasetTableModel(dataset, columns, this);
    setModel(m_model);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowPicked(current); });
    connect(&dataset, &Dataset::currentChanged, this, &DatasetGrid::selectCurrentRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DatasetGrid::selectCurrentRow);
    layOutColumns(columns);
    selectCurrentRow();
}

void DatasetGrid::layOutColumns(const QList<GridColumn>& columns)
{
    QHeaderView* header = horizontalHeader();
    for (int c = 0; c < columns.size(); ++c) {
        const GridColumn& column = columns.at(c);
        switch (column.sizing) {
        case GridColumn::Sizing::Interactive:
            break;
        case GridColumn::Sizing::Fixed:
            header->setSectionResizeMode(c, QHeaderView::Fixed);
            break;
        case GridColumn::Sizing::Stretch:
            header->setSectionResizeMode(c, QHeaderView::Stretch);
            break;
        }
        if (column.width > 0)
            header->resizeSection(c, column.width);
        if (column.delegate)
            setItemDelegateForColumn(c, column.delegate(this));
    }
}

void DatasetGrid::currentRowPicked(const QModelIndex& current)
{
    Dataset* dataset = m_model ? m_model->dataset() : nullptr;
    if (m_following || !dataset || !current.isValid() || current.row() == dataset->currentRow())
        return;
    // Moving may post a pending change that the database refuses; the grid
    // then goes back to the dataset's row.
    if (!runGuarded([&] { dataset->moveTo(current.row()); }))
        selectCurrentRow();
}

void DatasetGrid::selectCurrentRow()
{
    Dataset* dataset = m_model ? m_model->dataset() : nullptr;
    if (!dataset)
        return;
    m_following = true;
    const int row = dataset->isActive() ? dataset->currentRow() : -1;
    if (row < 0) {
        selectionModel()->clearSelection();
    } else if (selectionModel()->currentIndex().row() != row) {
        const QModelIndex target = m_model->index(row, qMax(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(target,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    }
    m_following = false;
}
