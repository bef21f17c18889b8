#pragma once

#include "ListWindow.h"

class QLabel;
class TDataModule2;

// The boosters still to be given to a person, recomputed as the window
// opens: for every vaccine the booster of its latest injection, in the
// order of the injections. Boosters whose date has passed are drawn in red,
// those due within 30 days in bold, and the window counts the overdue ones.
class TRepeatVaccineList : public ListWindow
{
    Q_OBJECT
public:
    // Throws DatabaseError when the boosters cannot be recomputed or read.
    TRepeatVaccineList(TDataModule2& dm2, int personId, QWidget* parent = nullptr);

    QLabel* overdueLabel() const { return m_overdue; }

private:
    QLabel* m_overdue;
};
