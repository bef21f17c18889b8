#pragma once

#include "GrowthSeries.h"

#include <QDialog>

class GridPanel;
class LineChart;
class QPushButton;
class TDataModule1;
struct MeasureKind;

// The curve window of one series of the current person: a copy of the
// page's chart over the grid of the measurements, which are added, changed
// and deleted here, each with its centile, and the BMI where a measure of
// the other series lies within a week. Its label mode starts as the
// person's and is the window's own: choosing another one is not stored.
class TChartValueList : public QDialog
{
    Q_OBJECT
public:
    TChartValueList(TDataModule1& dm, const MeasureKind& kind, QWidget* parent = nullptr);

    LineChart* chart() const { return m_chart; }
    int mode() const { return m_mode; }
    // The BMI of the weighings that have a height within a week, in date order.
    QList<GrowthSeries::Measurement> bodyMassIndices() const;

public slots:
    void Btn_PrintClick();
    void Btn_SaveClick();
    void Btn_TypeClick();
    void Btn_BmiClick();
    void Btn_CloseClick() { accept(); }

private:
    void rebuild();
    GrowthSeries::Measurement measureAt(int row) const;
    std::optional<double> bodyMassIndexAt(int row) const;
    QVariant centileCell(int row, int role) const;
    QVariant bodyMassIndexCell(int row, int role) const;
    QVariant bodyMassIndexCentileCell(int row, int role) const;

    TDataModule1& m_dm;
    const MeasureKind& m_kind;
    const MeasureKind& m_otherKind;
    QList<GrowthSeries::Measurement> m_others; // the other series, for the BMI
    LineChart* m_chart;
    GridPanel* m_panel = nullptr;
    QPushButton* m_type = nullptr;
    int m_mode;
};
