#pragma once

#include "GrowthSeries.h"

#include <QDialog>

class ChartPanel;
class LineChart;
class QPushButton;
class TDataModule1;

// The body-mass index of the current person over the WHO's BMI-for-age
// centiles, opened from a curve window: one point per weighing that has a
// height within a week, the birth point from the birth weight and length.
// Its label mode starts as the curve window's and stays its own.
class TChartBmi : public QDialog
{
    Q_OBJECT
public:
    TChartBmi(TDataModule1& dm, QList<GrowthSeries::Measurement> indices, int mode,
              QWidget* parent = nullptr);

    LineChart* chart() const;
    int mode() const { return m_mode; }

public slots:
    void Btn_PrintClick();
    void Btn_SaveClick();
    void Btn_TypeClick();
    void Btn_CloseClick() { accept(); }

private:
    void rebuild();

    TDataModule1& m_dm;
    QList<GrowthSeries::Measurement> m_indices;
    ChartPanel* m_panel;
    QPushButton* m_type = nullptr;
    int m_mode;
};
