#pragma once

#include "PreparedReport.h"

#include <QList>
#include <QString>

class QPrinter;
class QWidget;
class TWait;

// Prepared reports on paper or in a PDF file.
namespace ReportPrinting {

// True when the printer can print: a printer is installed, or it writes a named file.
bool printerAvailable(const QPrinter& printer);
QString noPrinterMessage();

// One page of a prepared report, for a print job.
struct Page
{
    const PreparedReport* report;
    int index; // from 0
};
// Prints the pages in order as one job, each on its own paper and
// orientation; copies are the pages repeated, so the printer makes none
// itself. Throws AppError when the printer refuses the job.
void print(const QList<Page>& pages, QPrinter& printer, const QString& jobName);
// The pages (from 0) of one report, `copies` times over, each copy whole.
void print(const PreparedReport& report, QPrinter& printer, const QList<int>& pages, int copies);

// Saves the pages as a PDF file where the user chooses, with the busy
// cursor and the progress window. The chosen path, or empty when cancelled.
QString savePdf(const PreparedReport& report, QWidget* parent);

// The progress window of a long report step: shown on the first step.
class ProgressWindow
{
public:
    explicit ProgressWindow(const QString& task);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    PreparedReport::Progress callback();

private:
    QString m_task;
    TWait* m_window = nullptr;
};

} // namespace ReportPrinting
