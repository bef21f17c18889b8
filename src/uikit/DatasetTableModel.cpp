#include "DatasetTableModel.h"

#include "DatasetValues.h"
#include "NumberFormat.h"

using DatasetValues::isNumeric;

DatasetTableModel::DatasetTableModel(Dataset& dataset, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_dataset(&dataset), m_columns(std::move(columns))
{
    // The dataset has already changed when it tells; the view reads
    // everything again.
    connect(&dataset, &Dataset::reset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&dataset, &Dataset::rowUpdated, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
}

int DatasetTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_dataset || !m_dataset->isActive() ? 0 : m_dataset->recordCount();
}

int DatasetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

int DatasetTableModel::fieldIndex(int column) const
{
    return m_dataset ? m_dataset->fieldIndex(m_columns.at(column).field) : -1;
}

QVariant DatasetTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const GridColumn& column = m_columns.at(index.column());
    if (column.computed)
        return column.computed(index.row(), role);
    // A field's cell has a text and an alignment, a picture's a name to be
    // heard; the view asks for every other role of every cell it draws.
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole && role != Qt::AccessibleTextRole)
        return {};
    const int field = fieldIndex(index.column());
    if (field < 0)
        return {};
    const Field cell = m_dataset->fieldAt(index.row(), field);
    if (cell.type() == Schema::ColumnType::Bytes)
        return role == Qt::AccessibleTextRole ? pictureName(index.row(), column, cell) : QVariant();
    switch (role) {
    case Qt::DisplayRole:
        if (!column.format.isEmpty() && isNumeric(cell.type()) && !cell.isNull())
            return NumberFormat::formatFloat(column.format, cell.asDouble());
        return cell.displayText();
    case Qt::TextAlignmentRole:
        if (column.alignment)
            return QVariant::fromValue(column.alignment);
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (isNumeric(cell.type()) ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

QString DatasetTableModel::pictureName(int row, const GridColumn& column, const Field& cell) const
{
    const int naming = column.namedBy.isEmpty() ? -1 : m_dataset->fieldIndex(column.namedBy);
    if (naming >= 0)
        return m_dataset->fieldAt(row, naming).displayText();
    return cell.isNull() ? QString() : QStringLiteral("Image");
}

QVariant DatasetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
        return m_columns.at(section).title;
    return QAbstractTableModel::headerData(section, orientation, role);
}
