#include "THtmlView.h"

#include "BusyCursor.h"
#include "CommandGuard.h"
#include "Errors.h"
#include "FileDialogs.h"
#include "FileUtils.h"
#include "HtmlExport.h"
#include "HtmlPage.h"
#include "Messages.h"
#include "ProgramPrinter.h"
#include "ProgramState.h"
#include "ReportPrinting.h"
#include "ViewerBar.h"

#include <cstdio>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

THtmlView::THtmlView(const QString& page, const QString& title, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HtmlView"));
    setWindowTitle(title.trimmed());
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setModal(true);
    resize(900, 700);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser"));
    m_browser->setAccessibleName(windowTitle());
    // Links are followed here: pop-ups, files and addresses each have their way.
    m_browser->setOpenLinks(false);
    m_browser->setSource(QUrl::fromLocalFile(page));

    auto* bar = new ViewerBar(this);
    bar->setContentsMargins(10, 0, 0, 0);
    QPushButton* print = bar->add("Btn_Print", QStringLiteral("&Imprimer"), QStringLiteral("Imprimer"));
    print->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));
    QPushButton* save = bar->add("Btn_Save", QStringLiteral("&Enregistrer"), QStringLiteral("Enregistrer"));
    save->setIcon(QIcon::fromTheme(QStringLiteral("document-save")));
    bar->finish();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 10, 0, 0);
    auto* framed = new QHBoxLayout;
    framed->setContentsMargins(10, 0, 10, 0);
    framed->addWidget(m_browser);
    layout->addLayout(framed, 1);
    layout->addLayout(bar);

    connectCommand(print, &QPushButton::clicked, this, [this] { Btn_PrintClick(); });
    connectCommand(save, &QPushButton::clicked, this, [this] { Btn_SaveClick(); });
    connectCommand(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { openLink(url); });
}

THtmlView::~THtmlView() = default;

QString THtmlView::currentPage() const
{
    return m_browser->source().toLocalFile();
}

void THtmlView::openLink(const QUrl& url)
{
    const QString folder = QFileInfo(currentPage()).absolutePath() + QLatin1Char('/');
    if (const Html::Popup popup = Html::parsePopupLink(url.toString()); !popup.page.isEmpty()) {
        const QString page = folder + FileUtils::bareFileName(popup.page);
        if (!QFileInfo(page).isFile())
            throw FileError(QStringLiteral("La page \"%1\" est introuvable.").arg(page));
        // A window of its own, as a browser's pop-up, closed with this one.
        auto* window = new THtmlView(page, QString(), this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setModal(false);
        window->setWindowTitle(window->browser()->documentTitle());
        window->resize(popup.width, popup.height);
        if (const QScreen* screen = this->screen())
            window->move(screen->availableGeometry().center() - window->rect().center());
        window->show();
        return;
    }
    const QUrl resolved = m_browser->source().resolved(url);
    if (resolved.isLocalFile() && resolved.toLocalFile().endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
        m_browser->setSource(resolved);
    else if (url.scheme() != QLatin1String("javascript"))
        QDesktopServices::openUrl(resolved);
}

void THtmlView::Btn_PrintClick()
{
    QPrinter& printer = programPrinter();
    if (!ReportPrinting::printerAvailable(printer)) {
        if (Messages::ask(QStringLiteral("Aucune imprimante n'est installée sur cet ordinateur.\r"
                                         "Désirez-vous enregistrer la page au format PDF ?")))
            savePdf();
        return;
    }
    BusyCursor busy;
    printer.setDocName(windowTitle());
    m_browser->document()->print(&printer);
    if (printer.printerState() == QPrinter::Error)
        throw AppError(QStringLiteral("L'impression n'a pas pu être terminée."));
}

void THtmlView::savePdf()
{
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer la page au format PDF");
    request.filter = QStringLiteral("Document PDF|*.pdf");
    request.defaultExtension = QStringLiteral("pdf");
    request.fileName = program().folders.data + QStringLiteral("Export/") +
                       FileUtils::safeFileName(windowTitle()) + QStringLiteral(".pdf");
    request.confirmOverwrite = true;
    const QString chosen = FileDialogs::choose(request);
    if (chosen.isEmpty())
        return;
    BusyCursor busy;
    // Written beside the chosen name and put in place once whole.
    const QString partial = chosen + QStringLiteral(".part");
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(partial);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setDocName(windowTitle());
    m_browser->document()->print(&pdf);
    if (pdf.printerState() == QPrinter::Error || FileUtils::fileSize(partial) <= 0 ||
        std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(chosen).constData()) != 0) {
        QFile::remove(partial);
        throw FileError(QStringLiteral("Impossible d'écrire le fichier \"%1\".").arg(chosen));
    }
}

void THtmlView::Btn_SaveClick()
{
    const QString page = currentPage();
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer la page html sous ...");
    request.filter = QStringLiteral("Page web|*.htm;*.html");
    request.defaultExtension = QStringLiteral("htm");
    request.fileName = program().folders.data + QFileInfo(page).fileName();
    request.confirmOverwrite = true;
    const QString chosen = FileDialogs::choose(request);
    if (chosen.isEmpty() || !QFileInfo(page).isFile())
        return;
    BusyCursor busy;
    HtmlExport::saveCopy(page, chosen);
}
