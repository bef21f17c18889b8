#pragma once

#include "CareRules.h"
#include "EntryDialog.h"

// Confirms one payer's reimbursement of an act: its date and its amount,
// on the act's row of the Action dataset, which the page has put in edit.
class TEnterRepayment : public EntryDialog
{
    Q_OBJECT
public:
    TEnterRepayment(Dataset& act, CareRules::Payer payer, QWidget* parent = nullptr);

    // Records the payer's reimbursement of the act in edit: the date is
    // proposed as today, Ok sets the payer's flag and posts, Annuler leaves
    // the act as it was. True when it was posted.
    static bool record(Dataset& act, CareRules::Payer payer, QWidget* parent);
};
