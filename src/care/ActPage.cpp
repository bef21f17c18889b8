#include "ActPage.h"

#include "CareRules.h"
#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "PinDelegate.h"
#include "PinGlyph.h"
#include "TDataModule1.h"
#include "TEnterConsult.h"
#include "TEnterDrugPharmacy.h"
#include "TEnterRepayment.h"

#include <QHeaderView>
#include <QMenu>
#include <QPushButton>

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

QList<GridColumn> columnsOf(ActKind kind)
{
    QList<GridColumn> columns{{text("Sécu"), text("Repayment")},
                              {text("Comp"), text("Repayment_Comp")},
                              {text("Date"), text("Date_Action")},
                              {text("Heure"), text("Time_Action")},
                              {text("Montant"), text("Price")}};
    if (kind == ActKind::Consultation)
        columns << GridColumn{text("Praticien"), text("Doctor")}
                << GridColumn{text("Maladie"), text("Illness")}
                << GridColumn{text("Gravité"), text("ACTION.Gravity")}
                << GridColumn{text("Objet de la visite"), text("Remark1")}
                << GridColumn{text("Remarque du praticien"), text("Remark2")};
    else
        columns << GridColumn{text("Pharmacie"), text("Pharmacy")}
                << GridColumn{text("Médicament"), text("Drug")}
                << GridColumn{text("Observations"), text("Remark1")};
    columns << GridColumn{text("Date remb. sécu."), text("Date_Repayment")}
            << GridColumn{text("Date remb. comp."), text("Date_Repayment_Comp")}
            << GridColumn{text("Remb. sécu."), text("Price_Repayment")}
            << GridColumn{text("Remb. comp."), text("Price_Repayment_Comp")}
            << GridColumn{text("Non remb."), text("NoRepayment")};
    return columns;
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
    s.filterLine = CareRules::pageFilter(kind);
    s.ownerId = [&dm] { return DatasetUtils::currentId(dm.Person); };
    s.add = {named("Btn_%1_Add", kind), text(" Ajouter"), text("Ajouter")};
    s.edit = {named("Btn_%1_Edit", kind), text(" Modifier"), text("Modifier")};
    s.remove = {named("Btn_%1_Delete", kind), text(" Supprimer"), text("Supprimer")};
    s.deleteQuestion = text("Désirez-vous supprimer cet acte ?");
    s.initNewRow = [kind](Dataset& act) {
        act.field(QStringLiteral("Tag")).setAsInteger(CareQueries::tagOf(kind));
    };
    s.runEntry = [&dm, consultation](QWidget* window, Dataset&) {
        if (consultation)
            return TEnterConsult(dm, window).exec() == QDialog::Accepted;
        return TEnterDrugPharmacy(dm, window).exec() == QDialog::Accepted;
    };
    return s;
}

void layOutColumns(DatasetGrid* grid, ActKind kind)
{
    // The pins stand 8 pixels into the "Sécu" cell and 12 into the "Comp" cell.
    grid->setItemDelegateForColumn(0, new PinDelegate(8, grid));
    grid->setItemDelegateForColumn(1, new PinDelegate(12, grid));
    QHeaderView* header = grid->horizontalHeader();
    const QList<int> consultWidths{40, 44, 78, 48, 78, 150, 120, 80, 160, 160, 100, 100, 82, 82, 78};
    const QList<int> pharmacyWidths{40, 44, 78, 48, 78, 150, 150, 200, 100, 100, 82, 82, 78};
    const QList<int>& widths = kind == ActKind::Consultation ? consultWidths : pharmacyWidths;
    for (int c = 0; c < widths.size(); ++c)
        header->resizeSection(c, widths.at(c));
    grid->setWordWrap(false);
    grid->verticalHeader()->setDefaultSectionSize(20);
}

} // namespace

namespace ActPage {

GridPage* create(TDataModule1& dm, ActKind kind, QWidget* parent)
{
    auto* page = new GridPage(settingsOf(dm, kind), parent);
    GridPanel* panel = page->panel();
    Dataset& query = panel->query();
    layOutColumns(panel->grid(), kind);

    auto* menu = new QMenu(page);
    menu->setObjectName(named("Popup_%1Repayment", kind));
    QAction* secu = menu->addAction(text("Sécurité sociale"));
    secu->setObjectName(named("Popup_%1Repayment_Secu", kind));
    QAction* comp = menu->addAction(text("Caisse complémentaire"));
    comp->setObjectName(named("Popup_%1Repayment_Comp", kind));

    const auto canRecord = [panel, &query] {
        return CareRules::canRecordReimbursement(panel->hasRows(), CareRules::reimbursedOf(query));
    };
    const auto record = [panel, &query](Payer payer) {
        // The menu only offers a payer still owing; a reimbursement is never recorded twice.
        if (!panel->hasRows() || !CareRules::offers(payer, CareRules::reimbursedOf(query)))
            return;
        panel->editRowWith(
            [payer](QWidget* window, Dataset& act) { return TEnterRepayment::record(act, payer, window); });
    };
    connectCommand(secu, &QAction::triggered, page, [record] { record(Payer::Secu); });
    connectCommand(comp, &QAction::triggered, page, [record] { record(Payer::Comp); });
    const auto popupAt = [menu, secu, comp, &query](const QPoint& globalPosition) {
        const CareRules::Reimbursed current = CareRules::reimbursedOf(query);
        secu->setEnabled(CareRules::offers(Payer::Secu, current));
        comp->setEnabled(CareRules::offers(Payer::Comp, current));
        menu->popup(globalPosition);
    };

    PanelButton pinButton{named("Btn_%1_Pin", kind), QString(), text("Remboursement"),
                          QIcon(PinGlyph::pixmap(18))};
    pinButton.atRight = true;
    QPushButton* pin = panel->addButton(
        pinButton,
        [panel, name = pinButton.name, popupAt] {
            // Up and to the left of the button, which stands at the right end of its row.
            const auto* button = panel->findChild<QPushButton*>(name);
            popupAt(button->mapToGlobal(QPoint(0, 0)) - QPoint(120, 42));
        },
        canRecord);
    pin->setIconSize(QSize(18, 18));
    // The pin follows the grid's current row.
    QObject::connect(&query, &Dataset::currentChanged, pin,
                     [pin, canRecord] { pin->setEnabled(canRecord()); });

    DatasetGrid* grid = panel->grid();
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connectCommand(grid, &QWidget::customContextMenuRequested, page,
                   [grid, canRecord, popupAt](const QPoint& at) {
                       if (!canRecord())
                           return;
                       popupAt(grid->viewport()->mapToGlobal(at));
                   });
    return page;
}

} // namespace ActPage
