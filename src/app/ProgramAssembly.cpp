#include "ProgramAssembly.h"

#include "CustomPage.h"
#include "EventPage.h"
#include "GeneralPage.h"
#include "GridPage.h"
#include "PreviousPage.h"
#include "ReferenceLists.h"
#include "ReportCommands.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TMainForm.h"

namespace ProgramAssembly {

QList<PageDefinition> pages(TDataModule1& dm1, TDataModule2& dm2)
{
    Q_UNUSED(dm2);
    // Pages whose subsystem is not there yet show nothing.
    const auto empty = [](QWidget* parent) { return new PersonPage(parent); };
    return {
        {QStringLiteral("Général"), QStringLiteral("Page_General"),
         [&dm1](QWidget* parent) { return new GeneralPage(dm1, parent); }},
        {QStringLiteral("Antécédents"), QStringLiteral("Page_Previous"),
         [&dm1](QWidget* parent) { return new PreviousPage(dm1.Person, parent); }},
        {QStringLiteral("Personnalisé"), QStringLiteral("Page_Custom"),
         [&dm1](QWidget* parent) { return new CustomPage(dm1, parent); }},
        {QStringLiteral("Actes"), QStringLiteral("Page_Consult"), empty},
        {QStringLiteral("Médicaments"), QStringLiteral("Page_Pharmacy"), empty},
        {QStringLiteral("Analyses"), QStringLiteral("Page_Analysis"), empty},
        {QStringLiteral("Vaccins"), QStringLiteral("Page_Vaccine"), empty},
        {QStringLiteral("Documents"), QStringLiteral("Page_Document"), empty},
        {QStringLiteral("Evénements"), QStringLiteral("Page_Event"),
         [&dm1](QWidget* parent) { return EventPage::create(dm1, parent); }},
    };
}

void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2)
{
    Q_UNUSED(dm2);
    ReferenceLists::installCommands(host, dm1);
    ReportCommands::installCommands(host, dm1);
}

std::unique_ptr<TMainForm> mainWindow(TDataModule1& dm1, TDataModule2& dm2)
{
    auto window = std::make_unique<TMainForm>(dm1, pages(dm1, dm2));
    installCommands(*window, dm1, dm2);
    window->RefreshCommandStates();
    return window;
}

} // namespace ProgramAssembly
