#include "ReportCommands.h"

#include "BusyCursor.h"
#include "CommandNames.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "Messages.h"
#include "PersonPage.h"
#include "PrintDialogs.h"
#include "ProgramPrinter.h"
#include "ProgramState.h"
#include "ReportPrinting.h"
#include "TDataModule1.h"
#include "TReportPrintViewer.h"

#include <QPrinter>
#include <QWidget>
#include <vector>

namespace {
// Runs a preparation with the busy cursor and its progress window, both
// gone before the preview shows.
template <typename Work> auto withProgress(Work work)
{
    BusyCursor busy;
    ReportPrinting::ProgressWindow window(QStringLiteral("Préparation du rapport"));
    return work(window.callback());
}
} // namespace

ReportCommands::ReportCommands(TDataModule1& dm, const QString& reportsFolder, const QString& dataFolder,
                               Hooks hooks, QWidget* window)
    : QObject(window), m_dm(dm), m_report(new TDataModuleReport(reportsFolder, dataFolder, this)),
      m_hooks(std::move(hooks)), m_window(window)
{
    setObjectName(QStringLiteral("ReportCommands"));
}

ReportCommands::~ReportCommands() = default;

ReportCommands& ReportCommands::installCommands(MainWindowHost& host, TDataModule1& dm, Hooks hooks)
{
    const Folders& folders = program().folders;
    auto* commands = new ReportCommands(dm, folders.reports, folders.data, std::move(hooks), host.window());
    const auto hasPerson = [&dm] { return dm.Person.isActive() && !dm.Person.isEmpty(); };
    host.setCommand(
        Commands::PrintHealthRecord, [commands] { commands->printHealthRecord(); }, hasPerson);
    host.setCommand(
        Commands::PrintActsHistory, [commands] { commands->printActsHistory(); }, hasPerson);
    host.setCommand(
        Commands::PrintMedicinesHistory, [commands] { commands->printMedicinesHistory(); }, hasPerson);
    host.setCommand(
        Commands::PrintReminderTables, [commands] { commands->printReminderTables(); }, hasPerson);
    return *commands;
}

void ReportCommands::preview(PreparedReport report, QWidget* parent)
{
    TReportPrintViewer viewer(std::move(report), parent);
    viewer.exec();
}

int ReportCommands::personId() const
{
    DatasetUtils::saveIfEditing(m_dm.Person);
    const int id = DatasetUtils::currentId(m_dm.Person);
    if (id < 0)
        throw DatabaseError(QStringLiteral("Aucun carnet de santé n'est sélectionné."));
    return id;
}

void ReportCommands::printHealthRecord()
{
    const int id = personId();
    preview(withProgress([&](const auto& progress) {
                return m_report->healthRecord(id, m_hooks.growthCharts, progress);
            }),
            m_window);
}

void ReportCommands::showList(const std::optional<PreparedReport>& report)
{
    if (!report) {
        Messages::information(QStringLiteral("Il n'y a pas d'enregistrements dans cette liste."));
        return;
    }
    preview(*report, m_window);
}

void ReportCommands::printActsHistory()
{
    const int id = personId();
    showList(withProgress([&](const auto& progress) { return m_report->actsHistory(id, progress); }));
}

void ReportCommands::printMedicinesHistory()
{
    const int id = personId();
    showList(withProgress([&](const auto& progress) { return m_report->medicinesHistory(id, progress); }));
}

void ReportCommands::printReminderTables()
{
    const int id = personId();
    if (m_hooks.recomputeBoosters)
        m_hooks.recomputeBoosters(id);
    preview(withProgress([&](const auto& progress) { return m_report->reminderTables(id, progress); }),
            m_window);
}

void ReportCommands::printChart(const ChartPainter& chart, const QString& chartTitle,
                                const QString& personText, QWidget* parent)
{
    const Folders& folders = program().folders;
    TDataModuleReport report(folders.reports, folders.data);
    preview(withProgress([&](const auto& progress) {
                return report.chartReport(chart(TDataModuleReport::kChartPrintSize), chartTitle, personText,
                                          progress);
            }),
            parent);
}

void ReportCommands::printPictures(const PictureReport::Pictures& pictures, QWidget* viewer)
{
    QPrinter& printer = programPrinter();
    if (!ReportPrinting::printerAvailable(printer)) {
        if (pictures.shownPresent && Messages::ask(ReportPrinting::noPrinterMessage()))
            if (const std::optional<PreparedReport> page = pictures.shownPage())
                ReportPrinting::savePdf(*page, viewer);
        return;
    }
    PrintDialogs::Request request;
    request.pageCount = pictures.count;
    request.offerSelection = pictures.count >= 2;
    request.presetSelection = true;
    const std::optional<PrintDialogs::Choice> choice = PrintDialogs::ask(printer, request, viewer);
    if (!choice)
        return;
    if (choice->range == PrintDialogs::Choice::Range::Selection) {
        if (const std::optional<PreparedReport> page = pictures.shownPage())
            ReportPrinting::print(*page, printer, {0}, choice->copies);
        return;
    }
    pictures.leave();
    const QList<int> chosen = choice->pages(pictures.count, pictures.shown);
    std::vector<PreparedReport> pages;
    pages.reserve(static_cast<size_t>(chosen.size()));
    for (int index : chosen)
        if (std::optional<PreparedReport> page = pictures.pageAt(index))
            pages.push_back(std::move(*page));
    QList<ReportPrinting::Page> job;
    for (const PreparedReport& page : pages)
        for (int copy = 0; copy < choice->copies; ++copy)
            job.push_back({&page, 0});
    ReportPrinting::print(job, printer, pictures.jobName);
    pictures.done();
}
