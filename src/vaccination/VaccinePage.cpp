#include "VaccinePage.h"

#include "Clock.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "TDataModule1.h"
#include "TEnterVaccineExe.h"

#include <QHeaderView>

namespace VaccinePage {

GridPage* create(TDataModule1& dm, QWidget* parent)
{
    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_Vaccine");
    s.accessibleName = QStringLiteral("Vaccins");
    s.query = &dm.VaccineQuery;
    s.table = &dm.Vaccine;
    s.columns = {{QStringLiteral("Date de vaccination"), QStringLiteral("Date_Vaccine")},
                 {QStringLiteral("Date de rappel"), QStringLiteral("Repeat_Date")},
                 {QStringLiteral("Vaccin"), QStringLiteral("Vaccin")},
                 {QStringLiteral("Praticien"), QStringLiteral("Doctor")},
                 {QStringLiteral("Observations"), QStringLiteral("Remark1")}};
    s.filterLine = QStringLiteral("WHERE Vaccine.Id_Ref=%1");
    s.ownerId = [&dm] { return DatasetUtils::currentId(dm.Person); };
    s.add = {QStringLiteral("Btn_Vaccine_Add"), QStringLiteral(" Ajouter"), QStringLiteral("Ajouter")};
    s.edit = {QStringLiteral("Btn_Vaccine_Edit"), QStringLiteral(" Modifier"), QStringLiteral("Modifier")};
    s.remove = {QStringLiteral("Btn_Vaccine_Delete"), QStringLiteral(" Supprimer"),
                QStringLiteral("Supprimer")};
    s.deleteQuestion = QStringLiteral("Désirez-vous supprimer ce vaccin ?");
    s.initNewRow = [&dm](Dataset& vaccine) {
        vaccine.field(QStringLiteral("Id_Ref")).setAsInteger(DatasetUtils::currentId(dm.Person));
        vaccine.field(QStringLiteral("Date_Vaccine")).setAsDate(Clock::today());
    };
    s.runEntry = [&dm](QWidget* window, Dataset& vaccine) {
        return TEnterVaccineExe(dm, vaccine, window).exec() == QDialog::Accepted;
    };
    auto* page = new GridPage(std::move(s), parent);
    // The dates keep their width; the texts share what the page leaves.
    QHeaderView* header = page->panel()->grid()->horizontalHeader();
    header->resizeSection(0, 125);
    header->resizeSection(1, 100);
    for (int column = 2; column < 5; ++column)
        header->setSectionResizeMode(column, QHeaderView::Stretch);
    return page;
}

} // namespace VaccinePage
