#pragma once

#include "Dataset.h"
#include "PreparedReport.h"

#include <functional>
#include <memory>
#include <optional>
#include <QImage>
#include <QObject>
#include <QSize>

class Report;

// The data of the printed reports: the report queries, on the program's
// connection, offered to the layouts under their engine names; the report
// variables; and each report prepared from its layout in the Reports
// folder. Windows show what it prepares (ReportCommands).
class TDataModuleReport : public QObject
{
    Q_OBJECT
public:
    // The weight and size charts of a person's health record, drawn at the size asked.
    enum class Chart
    {
        Weight,
        Size
    };
    using ChartPicture = std::function<QImage(int personId, Chart chart, QSize size)>;
    using Progress = PreparedReport::Progress;

    static constexpr QSize kRecordChartSize{1600, 420};
    static constexpr QSize kChartPrintSize{1600, 1200};
    // A chart as the pictures of a record take it: stretched to that size, on white.
    static QImage chartOnWhite(const QImage& chart, QSize size);

    // Folders end with '/': the layouts and templates, and where the chart
    // pictures are written for the time of a report.
    TDataModuleReport(const QString& reportsFolder, const QString& dataFolder, QObject* parent = nullptr);
    ~TDataModuleReport() override;

    Dataset& ReportQuery = make(QStringLiteral("ReportQuery"));
    Dataset& ReportQueryConsult = make(QStringLiteral("ReportQueryConsult"));
    Dataset& ReportQueryPharmacy = make(QStringLiteral("ReportQueryPharmacy"));
    Dataset& ReportQueryVaccine = make(QStringLiteral("ReportQueryVaccine"));
    Dataset& ReportQueryWeight = make(QStringLiteral("ReportQueryWeight"));
    Dataset& ReportQueryEvent = make(QStringLiteral("ReportQueryEvent"));

    // "TITLE" as the layouts get it: é è ê ë à â ä ù û ü ô ö î ï ç without
    // their accents, then a to z in upper case.
    static QString titleVariable(const QString& title);
    // CURRENCYSYMBOL, TITLE, and for the footers PERSON (the person's name)
    // and PROGRAM (the program's name and version).
    std::optional<QString> variable(const QString& upperName) const;

    // The person's health record, "Fich", with the charts when given.
    PreparedReport healthRecord(int personId, const ChartPicture& charts, const Progress& progress = {});
    // A history from its template and layout; nothing when the template
    // finds no row. Without a template the layout prints on its own.
    std::optional<PreparedReport> listReport(const QString& baseName, const QString& title,
                                             const QString& where, int personId,
                                             const Progress& progress = {});
    std::optional<PreparedReport> actsHistory(int personId, const Progress& progress = {});
    std::optional<PreparedReport> medicinesHistory(int personId, const Progress& progress = {});
    // What is not yet reimbursed and the boosters due (their flags as stored).
    PreparedReport reminderTables(int personId, const Progress& progress = {});
    // A chart drawn 1600 x 1200, printed on "Stat".
    PreparedReport chartReport(const QImage& chart, const QString& chartTitle, const QString& personText,
                               const Progress& progress = {});

    QString reportsFolder() const { return m_reports; }
    QString dataFolder() const { return m_data; }

private:
    Dataset& make(const QString& name);
    void designStatements();
    // The layout with every report dataset and variable; throws ReportError.
    Report report(const QString& baseName, const QString& title) const;
    void setPerson(int personId);
    void closeAll();

    QString m_reports;
    QString m_data;
    QString m_title;
    QString m_person;
    struct Sources;
    std::unique_ptr<Sources> m_sources;
};
