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
    return printer.outputFormat() == QPrinter::PdfFormat || !QPrinterInfo::availablePrinters().isEmpty();
}

QString noPrinterMessage()
{
    return QStringLiteral("Aucune imprimante n'est installée sur cet ordinateur.\r"
                          "Désirez-vous enregistrer le rapport au format PDF ?");
}

void print(const PreparedReport& report, QPrinter& printer, const QList<int>& pages, int copies)
{
    if (pages.isEmpty())
        return;
    // Copies the printer makes itself are not made again here.
    int rounds = qMax(1, copies);
    if (printer.supportsMultipleCopies() && printer.copyCount() == rounds)
        rounds = 1;
    else
        printer.setCopyCount(1);
    printer.setDocName(report.title);
    printer.setFullPage(true);
    printer.setPageLayout(report.pageLayout());
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(QStringLiteral("L'impression n'a pas pu commencer : l'imprimante \"%1\" ne répond pas.")
                           .arg(printer.printerName()));
    bool first = true;
    for (int round = 0; round < rounds; ++round)
        for (int page : pages) {
            if (!first && !printer.newPage()) {
                painter.end();
                throw AppError(QStringLiteral("L'impression a été interrompue par l'imprimante."));
            }
            first = false;
            report.renderPage(page, painter, printer.pageLayout().fullRectPixels(printer.resolution()));
        }
    if (!painter.end())
        throw AppError(QStringLiteral("L'impression n'a pas pu être terminée."));
}

QString savePdf(const PreparedReport& report, QWidget* parent)
{
    Q_UNUSED(parent);
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer le rapport au format PDF");
    request.filter = QStringLiteral("Document PDF|*.pdf");
    request.defaultExtension = QStringLiteral("pdf");
    request.fileName = program().folders.data + QStringLiteral("Export/") +
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
