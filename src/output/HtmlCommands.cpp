#include "HtmlCommands.h"

#include "BusyCursor.h"
#include "CommandNames.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "HtmlExport.h"
#include "PersonPage.h"
#include "ProgramState.h"
#include "ReferenceTables.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "THtmlView.h"

namespace HtmlCommands {

int currentPerson(TDataModule1& dm1)
{
    DatasetUtils::saveIfEditing(dm1.Person);
    const int id = DatasetUtils::currentId(dm1.Person);
    if (id < 0)
        throw DatabaseError(QStringLiteral("Aucun carnet de santé n'est sélectionné."));
    return id;
}

void showPage(const std::function<QString(const QString& folder)>& write, const QString& title,
              QWidget* parent)
{
    QString page;
    {
        BusyCursor busy;
        page = write(HtmlExport::prepareFolder(program().folders.data));
    }
    THtmlView view(page, title, parent);
    view.exec();
}

void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2,
                     const ReportCommands::Hooks& hooks)
{
    const auto hasPerson = [&dm1] { return DatasetUtils::currentId(dm1.Person) >= 0; };
    const auto tables = [&host, &dm1, &dm2](HtmlExport::Tables which) {
        const int person = currentPerson(dm1);
        showPage([&](const QString& folder) { return HtmlExport::writeTables(dm2, which, person, folder); },
                 QStringLiteral(" Tableaux"), host.window());
    };
    host.setCommand(
        Commands::HtmlHealthRecord,
        [&host, &dm1, charts = hooks.growthCharts] {
            const int person = currentPerson(dm1);
            const HtmlExport::Sources sources{dm1.databaseFolder(), charts,
                                              &GrowthReference::shipped(program().folders.program)};
            showPage(
                [&](const QString& folder) { return HtmlExport::writeHealthSheet(person, folder, sources); },
                QStringLiteral(" Fiche de santé"), host.window());
        },
        hasPerson);
    host.setCommand(
        Commands::HtmlActsHistory, [tables] { tables(HtmlExport::Tables::ActsHistory); }, hasPerson);
    host.setCommand(
        Commands::HtmlMedicinesHistory, [tables] { tables(HtmlExport::Tables::MedicinesHistory); },
        hasPerson);
    host.setCommand(
        Commands::HtmlReminderTables,
        [tables, &dm1, recompute = hooks.recomputeBoosters] {
            if (recompute)
                recompute(currentPerson(dm1));
            tables(HtmlExport::Tables::Reminders);
        },
        hasPerson);
}

} // namespace HtmlCommands
