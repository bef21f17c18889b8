#pragma once

#include "ChartPanel.h"

struct MeasureKind;
class TDataModule1;

// The weight or the height chart of the "Général" page with its buttons:
// the curve window, print, save as a picture and the label mode, which is
// stored with the person.
class GrowthChartPanel : public ChartPanel
{
    Q_OBJECT
public:
    GrowthChartPanel(TDataModule1& dm, const MeasureKind& kind, QWidget* parent = nullptr);
    // A panel filling `box`.
    static GrowthChartPanel* placeIn(QWidget* box, TDataModule1& dm, const MeasureKind& kind);
    // The person's chart as the page shows it, drawn at that size for a
    // printed or exported record; the kind's dataset is left on that person,
    // on the same row when it was already there.
    static QImage picture(TDataModule1& dm, const MeasureKind& kind, int personId, QSize size);

    // Reopens the current person's measurements (none selected) and rebuilds.
    void reload();
    // Rebuilds from the measurements already open, in the person's mode.
    void rebuild();
    void refreshCommandStates(bool hasPerson) { setAvailable(hasPerson); }

public slots:
    void Btn_EditClick();
    void Btn_PrintClick();
    void Btn_SaveClick();
    void Btn_TypeClick();

signals:
    // Data changed: the main window recomputes its commands.
    void changed();

private:
    TDataModule1& m_dm;
    const MeasureKind& m_kind;
    QPushButton* m_type = nullptr;
};
