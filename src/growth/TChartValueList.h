#pragma once

#include <QDialog>

class GridPanel;
class LineChart;
class QPushButton;
class TDataModule1;
struct MeasureKind;

// The curve window of one series of the current person: a copy of the
// page's chart over the grid of the measurements, which are added, changed
// and deleted here. Its label mode starts as the person's and is the
// window's own: choosing another one is not stored.
class TChartValueList : public QDialog
{
    Q_OBJECT
public:
    TChartValueList(TDataModule1& dm, const MeasureKind& kind, QWidget* parent = nullptr);

    LineChart* chart() const { return m_chart; }
    int mode() const { return m_mode; }

public slots:
    void Btn_PrintClick();
    void Btn_SaveClick();
    void Btn_TypeClick();
    void Btn_CloseClick() { accept(); }

private:
    void rebuild();

    TDataModule1& m_dm;
    const MeasureKind& m_kind;
    LineChart* m_chart;
    GridPanel* m_panel = nullptr;
    QPushButton* m_type = nullptr;
    int m_mode;
};
