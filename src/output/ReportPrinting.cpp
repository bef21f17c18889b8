#include "ReportPrinting.h"

#include "BusyCursor.h"
#include "Errors.h"
#include "FileDialogs.h"
#include "FileUtils.h"
#include "ProgramState.h"
#include "TWait.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace ReportPrinting {

bool printerAvailable(const QPrinter& printer)
{
    // Without any printer Qt falls back on writing a PDF file, which needs a name.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return true;
    return !QPrinterInfo::availablePrinters().isEmpty();
}

QString noPrinterMessage()
{
    return QStringLiteral("Aucune imprimante n'est installée sur cet ordinateur.\r"
                          "Désirez-vous enregistrer le rapport au format PDF ?");
}

void print(const QList<Page>& pages, QPrinter& printer, const QString& jobName)
{
    if (pages.isEmpty())
        return;
    printer.setCopyCount(1);
    printer.setDocName(jobName);
    printer.setFullPage(true);
    printer.setPageLayout(pages.first().report->pageLayout());
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(
            QStringLiteral("L'impression n'a pas pu commencer : l'imprimante \"%1\" ne répond pas.")
                .arg(printer.printerName()));
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const Page& page = pages[i];
        if (i > 0) {
            printer.setPageLayout(page.report->pageLayout());
            if (!printer.newPage()) {
                painter.end();
                throw AppError(QStringLiteral("L'impression a été interrompue par l'imprimante."));
            }
        }
        page.report->renderPage(page.index, painter,
                                printer.pageLayout().fullRectPixels(printer.resolution()));
    }
    if (!painter.end())
        throw AppError(QStringLiteral("L'impression n'a pas pu être terminée."));
}

void print(const PreparedReport& report, QPrinter& printer, const QList<int>& pages, int copies)
{
    QList<Page> all;
    for (int copy = 0; copy < qMax(1, copies); ++copy)
        for (int index : pages)
            all.push_back({&report, index});
    print(all, printer, report.title);
}

QString savePdf(const PreparedReport& report, QWidget* parent)
{
    Q_UNUSED(parent);
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer le rapport au format PDF");
    request.filter = QStringLiteral("Document PDF|*.pdf");
    request.defaultExtension = QStringLiteral("pdf");
    request.fileName =
        program().folders.data + QStringLiteral("Export/") +
        FileUtils::safeFileName(report.title.isEmpty() ? QStringLiteral("Rapport") : report.title) +
        QStringLiteral(".pdf");
    request.confirmOverwrite = true;
    const QString chosen = FileDialogs::choose(request);
    if (chosen.isEmpty())
        return {};
    BusyCursor busy;
    ProgressWindow progress(QStringLiteral("Enregistrement au format PDF"));
    report.writePdf(chosen, progress.callback());
    return chosen;
}

ProgressWindow::ProgressWindow(const QString& task) : m_task(task) {}

ProgressWindow::~ProgressWindow()
{
    delete m_window;
}

PreparedReport::Progress ProgressWindow::callback()
{
    return [this](int done, int total) {
        TWait* wait = m_window;
        if (!wait) {
            wait = new TWait;
            wait->setTask(m_task);
            wait->setMessage(QStringLiteral("Veuillez patienter..."));
            wait->setBarVisible(true);
            wait->centreInWorkArea();
            wait->show();
            m_window = wait;
        }
        wait->setProgress(done, total);
    };
}

} // namespace ReportPrinting
