#pragma once

#include "Dataset.h"

#include <functional>
#include <QAbstractTableModel>
#include <QPointer>

class QAbstractItemDelegate;

// One column of a grid over a dataset, with its place in the grid.
struct GridColumn
{
    // How the column's width behaves: the user drags it from where it
    // starts, it stays as it is, or it shares the room the others leave.
    enum class Sizing
    {
        Interactive,
        Fixed,
        Stretch
    };

    QString title;
    QString field = {}; // none for a computed column
    int width = 0;      // pixels to start with; 0 leaves the grid's default
    Sizing sizing = Sizing::Interactive;
    QString format = {};          // replaces the field's display format when given
    Qt::Alignment alignment = {}; // numbers to the right, texts to the left when not given
    // A column its owner works out from each fetched row instead of a
    // field: the cell's data in that role (text, colour, hint), or nothing.
    std::function<QVariant(int row, int role)> computed = {};
    // For a picture column (a blob field, drawn by a delegate): the field
    // whose text says what the picture shows, read to assistive technologies.
    QString namedBy = {};
    // Draws the cells instead of the grid (a picture, a pin): made once,
    // for the grid given as its parent.
    std::function<QAbstractItemDelegate*(QObject* grid)> delegate = {};
};

// The rows of a dataset as a read-only table, each cell the field's display
// text. A picture column has no text: its cells are named by their namedBy
// field, or as a picture, never by their bytes.
class DatasetTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    DatasetTableModel(Dataset& dataset, QList<GridColumn> columns, QObject* parent = nullptr);

    Dataset* dataset() const { return m_dataset; }
    const QList<GridColumn>& columns() const { return m_columns; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    int fieldIndex(int column) const;
    QString pictureName(int row, const GridColumn& column, const Field& cell) const;

    QPointer<Dataset> m_dataset;
    QList<GridColumn> m_columns;
};
