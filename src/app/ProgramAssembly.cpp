#include "ProgramAssembly.h"

#include "ActPage.h"
#include "AnalysisPage.h"
#include "BackgroundRecognition.h"
#include "BackupHistory.h"
#include "BoosterReminders.h"
#include "CareCommands.h"
#include "CustomPage.h"
#include "DocumentPage.h"
#include "EventPage.h"
#include "FhirCommands.h"
#include "GeneralPage.h"
#include "GridPage.h"
#include "GrowthChartPanel.h"
#include "GrowthCommands.h"
#include "HtmlCommands.h"
#include "MaintenanceCommands.h"
#include "Measurements.h"
#include "PreviousPage.h"
#include "ProgramState.h"
#include "RecognitionStatus.h"
#include "RecordSet.h"
#include "ReferenceLists.h"
#include "ReportCommands.h"
#include "Restore.h"
#include "SearchBox.h"
#include "SettingsCommands.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TMainForm.h"
#include "TPreviewImage.h"
#include "Vaccination.h"
#include "VaccinePage.h"

#include <QGroupBox>
#include <QMenuBar>
#include <QStatusBar>

namespace ProgramAssembly {
namespace {
// The "Général" page with the weight and size charts in its boxes.
PersonPage* generalPage(TDataModule1& dm, QWidget* parent)
{
    auto* page = new GeneralPage(dm, parent);
    for (const auto& [box, kind] : {std::pair{page->weightBox(), &MeasureKind::weight()},
                                    std::pair{page->sizeBox(), &MeasureKind::size()}}) {
        GrowthChartPanel* charts = GrowthChartPanel::placeIn(box, dm, *kind);
        page->addRefreshHook([charts] { charts->reload(); });
        page->addCommandStatesHook([charts](bool hasPerson) { charts->refreshCommandStates(hasPerson); });
        QObject::connect(charts, &GrowthChartPanel::changed, page, &PersonPage::commandsChanged);
    }
    return page;
}

// What the printed records and the HTML pages take from the growth charts
// and the vaccinations.
ReportCommands::Hooks recordHooks(TDataModule1& dm)
{
    ReportCommands::Hooks hooks;
    hooks.growthCharts = [&dm](int personId, TDataModuleReport::Chart chart, QSize size) {
        const MeasureKind& kind =
            chart == TDataModuleReport::Chart::Weight ? MeasureKind::weight() : MeasureKind::size();
        return GrowthChartPanel::picture(dm, kind, personId, size);
    };
    hooks.recomputeBoosters = [](int personId) { BoosterReminders::recompute(personId); };
    return hooks;
}
// The page that shows the row an index entry stands for.
int pageOf(Search::Kind kind)
{
    using K = Search::Kind;
    switch (kind) {
    case K::Identity:
        return TMainForm::General;
    case K::History:
        return TMainForm::Previous;
    case K::Custom:
        return TMainForm::Custom;
    case K::Consultation:
        return TMainForm::Consult;
    case K::Purchase:
        return TMainForm::Pharmacy;
    case K::Analysis:
    case K::AnalysisValue:
        return TMainForm::Analysis;
    case K::Vaccination:
        return TMainForm::Vaccine;
    case K::Picture:
    case K::File:
        return TMainForm::Document;
    case K::Event:
        return TMainForm::Event;
    }
    return TMainForm::General;
}

// The result's person, on the page of its row with that row selected; a
// picture document opened in its viewer.
void openHit(TMainForm& window, const Search::Hit& hit)
{
    window.RefreshPersonList(hit.personId);
    const int page = pageOf(hit.kind);
    window.showPage(page);
    if (hit.kind == Search::Kind::Picture) {
        window.RefreshCommandStates();
        static_cast<DocumentPage*>(window.currentPage())->viewImageDocument(hit.rowId);
    } else if (page >= TMainForm::Consult) {
        window.currentPage()->refreshPage(hit.rowId);
    }
    window.RefreshCommandStates();
}
} // namespace

QList<PageDefinition> pages(TDataModule1& dm1, TDataModule2& dm2)
{
    Q_UNUSED(dm2);
    return {
        {QStringLiteral("Général"), QStringLiteral("Page_General"),
         [&dm1](QWidget* parent) { return generalPage(dm1, parent); }},
        {QStringLiteral("Antécédents"), QStringLiteral("Page_Previous"),
         [&dm1](QWidget* parent) { return new PreviousPage(dm1.Person, parent); }},
        {QStringLiteral("Personnalisé"), QStringLiteral("Page_Custom"),
         [&dm1](QWidget* parent) { return new CustomPage(dm1, parent); }},
        {QStringLiteral("Actes"), QStringLiteral("Page_Consult"),
         [&dm1](QWidget* parent) {
             return ActPage::create(dm1, CareQueries::ActKind::Consultation, parent);
         }},
        {QStringLiteral("Médicaments"), QStringLiteral("Page_Pharmacy"),
         [&dm1](QWidget* parent) { return ActPage::create(dm1, CareQueries::ActKind::Pharmacy, parent); }},
        {QStringLiteral("Analyses"), QStringLiteral("Page_Analysis"),
         [&dm1](QWidget* parent) { return new AnalysisPage(dm1, parent); }},
        {QStringLiteral("Vaccins"), QStringLiteral("Page_Vaccine"),
         [&dm1](QWidget* parent) { return VaccinePage::create(dm1, parent); }},
        {QStringLiteral("Documents"), QStringLiteral("Page_Document"),
         [&dm1](QWidget* parent) { return new DocumentPage(dm1, parent); }},
        {QStringLiteral("Evénements"), QStringLiteral("Page_Event"),
         [&dm1](QWidget* parent) { return EventPage::create(dm1, parent); }},
    };
}

void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2)
{
    ReferenceLists::installCommands(host, dm1);
    Vaccination::installCommands(host, dm1, dm2);
    Care::installCommands(host, dm1, dm2);
    Growth::installCommands(host, dm1);
    SettingsCommands::installCommands(host);
    ReportCommands::installCommands(host, dm1, recordHooks(dm1));
    TPreviewImage::lendPrinting(&ReportCommands::printPictures);
    HtmlCommands::installCommands(host, dm1, dm2, recordHooks(dm1));
    MaintenanceCommands::installCommands(host, dm1, dm2);
    FhirCommands::installCommands(host, dm1);
}

void installSearch(TMainForm& window, TDataModule1& dm1)
{
    auto* box = new SearchBox(&window, [&window](const Search::Hit& hit) { openHit(window, hit); });
    window.menuBar()->setCornerWidget(box, Qt::TopRightCorner);
    auto* recognition = new BackgroundRecognition(dm1.databaseFolder(), &window);
    window.statusBar()->addPermanentWidget(new RecognitionStatus(*recognition, &window));
    recognition->start();
}

DatabaseRecovery::BackupRoute backupRoute()
{
    DatabaseRecovery::BackupRoute route;
    route.latest = []() -> std::optional<DatabaseRecovery::Backup> {
        const ProgramState& p = program();
        const auto latest = BackupHistory::latestArchive(RecordSet::of(p.folders, p.db));
        if (!latest)
            return std::nullopt;
        return DatabaseRecovery::Backup{latest->path, latest->when};
    };
    route.restore = [](const QString& archive) {
        try {
            return MaintenanceCommands::restoreAtStart(archive);
        } catch (const Restore::NotRestored&) {
            throw;
        } catch (const AppError& e) {
            throw DatabaseRecovery::UnfinishedRestore(e.text());
        }
    };
    return route;
}

std::unique_ptr<TMainForm> mainWindow(TDataModule1& dm1, TDataModule2& dm2)
{
    auto window = std::make_unique<TMainForm>(dm1, pages(dm1, dm2));
    installCommands(*window, dm1, dm2);
    installSearch(*window, dm1);
    window->RefreshCommandStates();
    return window;
}

} // namespace ProgramAssembly
