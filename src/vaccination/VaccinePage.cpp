#include "VaccinePage.h"

#include "Clock.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "TDataModule1.h"
#include "TEnterVaccineExe.h"

namespace VaccinePage {

GridPage* create(TDataModule1& dm, QWidget* parent)
{
    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_Vaccine");
    s.accessibleName = QStringLiteral("Vaccins");
    s.query = &dm.VaccineQuery;
    s.table = &dm.Vaccine;
    // The dates keep their width; the texts share what the page leaves.
    constexpr auto stretch = GridColumn::Sizing::Stretch;
    s.columns = {{QStringLiteral("Date de vaccination"), QStringLiteral("Date_Vaccine"), 125},
                 {QStringLiteral("Date de rappel"), QStringLiteral("Repeat_Date"), 100},
                 {QStringLiteral("Vaccin"), QStringLiteral("Vaccin"), 0, stretch},
                 {QStringLiteral("Praticien"), QStringLiteral("Doctor"), 0, stretch},
                 {QStringLiteral("Observations"), QStringLiteral("Remark1"), 0, stretch}};
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
    return new GridPage(std::move(s), parent);
}

} // namespace VaccinePage
