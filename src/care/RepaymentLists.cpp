#include "RepaymentLists.h"

#include "TConsultRepaymentList.h"
#include "TDataModule2.h"
#include "TPharmacyRepaymentList.h"

#include <memory>
#include <QHeaderView>

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
        s.columns = {{text("Date"), text("Date_Action")},
                     {text("Heure"), text("Time_Action")},
                     {text("Montant"), text("Price")},
                     {text("Praticien"), text("Doctor")},
                     {text("Maladie"), text("Illness")},
                     {text("Gravité"), text("ACTION.Gravity")},
                     {text("Objet de la visite"), text("Remark1")},
                     {text("Remarque du praticien"), text("Remark2")}};
    else
        s.columns = {{text("Date"), text("Date_Action")},
                     {text("Heure"), text("Time_Action")},
                     {text("Pharmacie"), text("Pharmacy")},
                     {text("Médicament"), text("Drug")},
                     {text("Observations"), text("Remark1")}};
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

void layOutColumns(DatasetGrid* grid, ActKind kind)
{
    QHeaderView* header = grid->horizontalHeader();
    const QList<int> widths = kind == ActKind::Consultation ? QList<int>{78, 48, 78, 150, 140, 80, 140, 140}
                                                            : QList<int>{78, 48, 160, 180, 200};
    for (int c = 0; c < widths.size(); ++c)
        header->resizeSection(c, widths.at(c));
    header->setStretchLastSection(true);
    // One line a row, as on the pages.
    grid->setWordWrap(false);
    grid->verticalHeader()->setDefaultSectionSize(20);
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
