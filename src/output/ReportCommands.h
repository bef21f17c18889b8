#pragma once

#include "PictureReport.h"
#include "PreparedReport.h"
#include "TDataModuleReport.h"

#include <functional>
#include <QObject>

class MainWindowHost;
class QWidget;
class TDataModule1;

// The "Impression" menu and the chart printing: each report prepared by
// the report data module with its progress shown, then previewed.
class ReportCommands : public QObject
{
    Q_OBJECT
public:
    // What other subsystems lend the reports.
    struct Hooks
    {
        // The person's weight and size charts for the health record, drawn
        // at the size asked (1600 x 420); none: the record prints without them.
        TDataModuleReport::ChartPicture growthCharts;
        // Recomputes the person's booster flags (VACCINE.Repeat_Exe) before
        // the reminder tables list them; none: the flags print as stored.
        std::function<void(int personId)> recomputeBoosters;
    };
    // A chart drawn at the size asked, on white.
    using ChartPainter = std::function<QImage(QSize size)>;

    ReportCommands(TDataModule1& dm, const QString& reportsFolder, const QString& dataFolder, Hooks hooks,
                   QWidget* window);
    ~ReportCommands() override;

    // Wires the menu entries by name; the commands live as long as the main window.
    static ReportCommands& installCommands(MainWindowHost& host, TDataModule1& dm, Hooks hooks = {});

    TDataModuleReport& dataModule() { return *m_report; }
    // Shows the prepared pages in the preview, modally.
    static void preview(PreparedReport report, QWidget* parent);

    // The "Impression" menu's entries, each on the current person: the
    // health record (with the growth charts the hooks draw), the histories
    // of acts and of medicines (a message instead when there is none), the
    // reminder tables (the boosters recomputed first).
    void printHealthRecord();
    void printActsHistory();
    void printMedicinesHistory();
    void printReminderTables();
    // The chart pages' print buttons: the chart at 1600 x 1200 on "Stat",
    // previewed over `parent`.
    static void printChart(const ChartPainter& chart, const QString& chartTitle, const QString& personText,
                           QWidget* parent);
    // The picture viewer's print button (PictureReport::Printing): without a
    // printer, the picture shown saved as PDF when the user agrees; else the
    // print dialog, the picture shown or a range of them, each one page, in
    // one job.
    static void printPictures(const PictureReport::Pictures& pictures, QWidget* viewer);

private:
    int personId() const;
    void showList(const std::optional<PreparedReport>& report);

    TDataModule1& m_dm;
    TDataModuleReport* m_report;
    Hooks m_hooks;
    QWidget* m_window;
};
