#pragma once

#include "CareRules.h"
#include "ListWindow.h"

class TDataModule2;

// The person's consultations still waiting for the payers of the scope.
class TConsultRepaymentList : public ListWindow
{
    Q_OBJECT
public:
    TConsultRepaymentList(TDataModule2& dm2, CareRules::ListScope scope, int personId,
                          QWidget* parent = nullptr);
};
