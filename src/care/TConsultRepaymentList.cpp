#include "TConsultRepaymentList.h"

#include "RepaymentLists.h"

using CareRules::ActKind;

TConsultRepaymentList::TConsultRepaymentList(TDataModule2& dm2, CareRules::ListScope scope, int personId,
                                             QWidget* parent)
    : ListWindow(QStringLiteral("ConsultRepaymentList"), RepaymentLists::title(ActKind::Consultation, scope),
                 RepaymentLists::settings(dm2, ActKind::Consultation, scope, personId), parent)
{
    resize(900, 460);
}
