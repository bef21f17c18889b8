#include "TPharmacyRepaymentList.h"

#include "RepaymentLists.h"

using CareRules::ActKind;

TPharmacyRepaymentList::TPharmacyRepaymentList(TDataModule2& dm2, CareRules::ListScope scope, int personId,
                                               QWidget* parent)
    : ListWindow(QStringLiteral("PharmacyRepaymentList"), RepaymentLists::title(ActKind::Pharmacy, scope),
                 RepaymentLists::settings(dm2, ActKind::Pharmacy, scope, personId), parent)
{
    resize(720, 460);
}
