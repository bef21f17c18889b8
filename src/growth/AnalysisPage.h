#pragma once

#include "PersonPage.h"

class ChartPanel;
class GridPanel;
class QLineEdit;
class QPushButton;
class TDataModule1;

// Page "Analyses": one of the analyses the current person follows at a
// time, its results as a chart (with the normal range as two curves) and
// as a grid; the commands to follow, change and stop following an
// analysis, and to add, change and delete its results.
class AnalysisPage : public PersonPage
{
    Q_OBJECT
public:
    explicit AnalysisPage(TDataModule1& dm, QWidget* parent = nullptr);

    void refreshPage(int rowId) override;
    void leavePage() override;
    void refreshCommandStates(bool hasPerson) override;

    // The L_ANALYSIS Id shown, -1 for none.
    int currentAnalysis() const { return m_current; }

    // Shows that analysis when it is one of the person's, else the person's first.
    void rebuild(int requested);

public slots:
    void Btn_AnalysisClick();
    void Btn_Analysis_AddClick();
    void Btn_Analysis_EditClick();
    void Btn_Analysis_DeleteClick();
    void Btn_Chart_Chart_Analysis_PrintClick();
    void Btn_Chart_Chart_Analysis_SaveClick();
    void Btn_Chart_Analysis_TypeClick();

private:
    void buildChart();
    void personMoved();
    int personId() const;

    TDataModule1& m_dm;
    QLineEdit* m_title;
    QPushButton* m_choose = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_type = nullptr;
    ChartPanel* m_chart;
    GridPanel* m_values = nullptr;
    int m_current = -1;
    int m_personId = -1;
    // One mode for the whole run, "Années" at start; a person who chose one
    // gets it back.
    int m_mode;
};
