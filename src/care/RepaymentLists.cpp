#include "RepaymentLists.h"

#include "TConsultRepaymentList.h"
#include "TDataModule2.h"
#include "TPharmacyRepaymentList.h"

#include <memory>

using CareRules::ActKind;
using CareRules::ListScope;

namespace {
QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
} // namespace

namespace RepaymentLists {

GridPanelSettings settings(TDataModule2& dm2, ActKind kind, ListScope scope, int personId)
{
    const bool consultation = kind == ActKind::Consultation;
    GridPanelSettings s;
    s.gridName = consultation ? text("Grid_ConsultRepayment") : text("Grid_PharmacyRepayment");
    s.query = consultation ? &dm2.ConsultRepaymentQuery : &dm2.PharmacyRepaymentQuery;
    if (consultation)
        s.columns = {{text("Date"), text("Date_Action"), 78},
                     {text("Heure"), text("Time_Action"), 48},
                     {text("Montant"), text("Price"), 78},
                     {text("Praticien"), text("Doctor"), 150},
                     {text("Maladie"), text("Illness"), 140},
                     {text("Gravité"), text("ACTION.Gravity"), 80},
                     {text("Objet de la visite"), text("Remark1"), 140},
                     {text("Remarque du praticien"), text("Remark2"), 140}};
    else
        s.columns = {{text("Date"), text("Date_Action"), 78},
                     {text("Heure"), text("Time_Action"), 48},
                     {text("Pharmacie"), text("Pharmacy"), 160},
                     {text("Médicament"), text("Drug"), 180},
                     {text("Observations"), text("Remark1"), 200}};
    s.lastColumnFills = true;
    // One line a row, as on the pages.
    s.rowHeight = 20;
    s.filterLine = CareRules::listFilter(kind, scope);
    s.ownerId = [personId] { return personId; };
    return s;
}

QString title(ActKind kind, ListScope scope)
{
    return (kind == ActKind::Consultation ? text("  Liste des actes non remboursés")
                                          : text("  Liste des médicaments non remboursées")) +
           CareRules::titleSuffix(scope);
}

void open(TDataModule2& dm2, ActKind kind, ListScope scope, int personId, QWidget* parent)
{
    std::unique_ptr<ListWindow> window;
    if (kind == ActKind::Consultation)
        window = std::make_unique<TConsultRepaymentList>(dm2, scope, personId, parent);
    else
        window = std::make_unique<TPharmacyRepaymentList>(dm2, scope, personId, parent);
    window->exec();
}

} // namespace RepaymentLists
