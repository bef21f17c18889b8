#include "ActPage.h"

#include "CareRules.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "PinDelegate.h"
#include "PinGlyph.h"
#include "TDataModule1.h"
#include "TEnterConsult.h"
#include "TEnterDrugPharmacy.h"
#include "TEnterRepayment.h"

using CareQueries::ActKind;
using CareRules::Payer;

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Design names of one page's controls: "Consult" or "Pharmacy" in each.
QString named(const char* pattern, ActKind kind)
{
    return text(pattern).arg(kind == ActKind::Consultation ? QStringLiteral("Consult")
                                                           : QStringLiteral("Pharmacy"));
}

GridColumn column(const char* title, const char* field, int width)
{
    return {text(title), text(field), width};
}

// A payer's flag drawn as the pin, `left` pixels into its cell.
GridColumn pinColumn(const char* title, const char* field, int width, int left)
{
    GridColumn pin = column(title, field, width);
    pin.delegate = [left](QObject* grid) { return new PinDelegate(left, grid); };
    return pin;
}

QList<GridColumn> columnsOf(ActKind kind)
{
    // The pins stand 8 pixels into the "Sécu" cell and 12 into the "Comp" cell.
    QList<GridColumn> columns{pinColumn("Sécu", "Repayment", 40, 8),
                              pinColumn("Comp", "Repayment_Comp", 44, 12)};
    columns << column("Date", "Date_Action", 78) << column("Heure", "Time_Action", 48)
            << column("Montant", "Price", 78);
    if (kind == ActKind::Consultation)
        columns << column("Praticien", "Doctor", 150) << column("Maladie", "Illness", 120)
                << column("Gravité", "ACTION.Gravity", 80) << column("Objet de la visite", "Remark1", 160)
                << column("Remarque du praticien", "Remark2", 160);
    else
        columns << column("Pharmacie", "Pharmacy", 150) << column("Médicament", "Drug", 150)
                << column("Observations", "Remark1", 200);
    columns << column("Date remb. sécu.", "Date_Repayment", 100)
            << column("Date remb. comp.", "Date_Repayment_Comp", 100)
            << column("Remb. sécu.", "Price_Repayment", 82)
            << column("Remb. comp.", "Price_Repayment_Comp", 82) << column("Non remb.", "NoRepayment", 78);
    return columns;
}

// The pin menu's entry that records one payer's reimbursement of the act,
// offered only while that payer still owes: never recorded twice.
RowMenuEntry reimbursementBy(Payer payer, ActKind kind)
{
    const bool secu = payer == Payer::Secu;
    return {named(secu ? "Popup_%1Repayment_Secu" : "Popup_%1Repayment_Comp", kind),
            secu ? text("Sécurité sociale") : text("Caisse complémentaire"),
            [payer](const Dataset& act) { return CareRules::offers(payer, CareRules::reimbursedOf(act)); },
            [payer](GridPanel& panel) {
                panel.editRowWith([payer](QWidget* window, Dataset& act) {
                    return TEnterRepayment::record(act, payer, window);
                });
            }};
}

GridPanelSettings settingsOf(TDataModule1& dm, ActKind kind)
{
    const bool consultation = kind == ActKind::Consultation;
    GridPanelSettings s;
    s.gridName = named("Grid_%1", kind);
    s.accessibleName = consultation ? text("Actes") : text("Médicaments");
    s.query = consultation ? &dm.ConsultQuery : &dm.PharmacyQuery;
    s.table = &dm.Action;
    s.columns = columnsOf(kind);
    s.rowHeight = 20;
    s.filterLine = CareRules::pageFilter(kind);
    s.ownerId = [&dm] { return DatasetUtils::currentId(dm.Person); };
    s.add = {named("Btn_%1_Add", kind), text(" Ajouter"), text("Ajouter")};
    s.edit = {named("Btn_%1_Edit", kind), text(" Modifier"), text("Modifier")};
    s.remove = {named("Btn_%1_Delete", kind), text(" Supprimer"), text("Supprimer")};
    s.deleteQuestion = text("Désirez-vous supprimer cet acte ?");
    s.initNewRow = [kind](Dataset& act) {
        act.field(QStringLiteral("Tag")).setAsInteger(CareQueries::tagOf(kind));
    };
    s.runEntry = [&dm, consultation](QWidget* window, Dataset& act) {
        if (consultation)
            return TEnterConsult(dm, act, window).exec() == QDialog::Accepted;
        return TEnterDrugPharmacy(dm, act, window).exec() == QDialog::Accepted;
    };
    s.rowMenu = {named("Popup_%1Repayment", kind),
                 {.name = named("Btn_%1_Pin", kind),
                  .hint = text("Remboursement"),
                  .icon = QIcon(PinGlyph::pixmap(18)),
                  .iconSize = QSize(18, 18)},
                 {reimbursementBy(Payer::Secu, kind), reimbursementBy(Payer::Comp, kind)},
                 [](const Dataset& acts) {
                     return CareRules::canRecordReimbursement(!acts.isEmpty(), CareRules::reimbursedOf(acts));
                 }};
    return s;
}

} // namespace

namespace ActPage {

GridPage* create(TDataModule1& dm, ActKind kind, QWidget* parent)
{
    return new GridPage(settingsOf(dm, kind), parent);
}

} // namespace ActPage
