#pragma once

#include "CareRules.h"
#include "ListWindow.h"

class TDataModule2;

// The person's pharmacy purchases still waiting for the payers of the scope.
class TPharmacyRepaymentList : public ListWindow
{
    Q_OBJECT
public:
    TPharmacyRepaymentList(TDataModule2& dm2, CareRules::ListScope scope, int personId,
                           QWidget* parent = nullptr);
};
