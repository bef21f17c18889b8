#pragma once

#include "TEnterAct.h"

class QLineEdit;
class TDataModule1;

// Entry of one pharmacy purchase: when, at which pharmacy, which medicine,
// what it cost, observations and both reimbursements. The pharmacy may
// stay empty; the medicine may not.
class TEnterDrugPharmacy : public TEnterAct
{
    Q_OBJECT
public:
    TEnterDrugPharmacy(TDataModule1& dm, Dataset& act, QWidget* parent = nullptr);

private:
    QLineEdit* m_drug;
};
