#pragma once

#include "DatasetTableModel.h"

#include <QTableView>

// A read-only grid over a dataset, whole rows selected, whose selected row
// and the dataset's current row follow each other. Each column takes the
// width, sizing and drawing its GridColumn gives.
class DatasetGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DatasetGrid(QWidget* parent = nullptr);

    void setDataset(Dataset& dataset, const QList<GridColumn>& columns);
    DatasetTableModel* datasetModel() const { return m_model; }

private:
    void layOutColumns(const QList<GridColumn>& columns);
    void selectCurrentRow();
    void currentRowPicked(const QModelIndex& current);

    DatasetTableModel* m_model = nullptr;
    bool m_following = false;
};
