#include "EventPage.h"

#include "Clock.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "TDataModule1.h"
#include "TEnterEvents.h"

namespace EventPage {

GridPage* create(TDataModule1& dm, QWidget* parent)
{
    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_Event");
    s.accessibleName = QStringLiteral("Evénements");
    s.query = &dm.Event;
    s.columns = {{QStringLiteral("Date"), QStringLiteral("Date_Event")},
                 {QStringLiteral("Heure"), QStringLiteral("Time_Event")},
                 {QStringLiteral("Description"), QStringLiteral("Description")}};
    s.lastColumnFills = true;
    s.filterLine = QStringLiteral("WHERE Event.Id_Ref=%1");
    s.ownerId = [&dm] { return DatasetUtils::currentId(dm.Person); };
    s.add = {QStringLiteral("Btn_Event_Add"), QStringLiteral(" Ajouter")};
    s.edit = {QStringLiteral("Btn_Event_Edit"), QStringLiteral(" Modifier")};
    s.remove = {QStringLiteral("Btn_Event_Delete"), QStringLiteral(" Supprimer")};
    s.deleteQuestion = QStringLiteral("Désirez-vous supprimer cet événement ?");
    s.initNewRow = [&dm](Dataset& event) {
        event.field(QStringLiteral("Id_Ref")).setAsInteger(DatasetUtils::currentId(dm.Person));
        event.field(QStringLiteral("Date_Event")).setAsDate(Clock::today());
    };
    s.runEntry = [](QWidget* window, Dataset& event) {
        return TEnterEvents(event, window).exec() == QDialog::Accepted;
    };
    return new GridPage(std::move(s), parent);
}

} // namespace EventPage
