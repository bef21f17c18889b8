#include "TReportPrintViewer.h"

#include "BusyCursor.h"
#include "CommandGuard.h"
#include "Messages.h"
#include "PrintDialogs.h"
#include "ProgramPrinter.h"
#include "ReportPrinting.h"
#include "ViewerBar.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

// The page shown, on a grey desk with a shadow.
class ReportPageView : public QWidget
{
public:
    static constexpr int kMargin = 12;

    ReportPageView(const PreparedReport& report, QWidget* parent) : QWidget(parent), m_report(report) {}

    void setPage(int page)
    {
        m_page = page;
        update();
    }
    void setPageWidth(int width)
    {
        m_pageSize = QSize(width, qRound(width * m_report.pageSize.height() / m_report.pageSize.width()));
        setFixedSize(m_pageSize + QSize(2 * kMargin, 2 * kMargin));
        update();
    }
    QSize pageSize() const { return m_pageSize; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        const QRect page(QPoint(kMargin, kMargin), m_pageSize);
        p.fillRect(page.translated(4, 4), QColor(0x40, 0x40, 0x40));
        p.fillRect(page, Qt::white);
        m_report.renderPage(m_page, p, page);
    }

private:
    const PreparedReport& m_report;
    int m_page = 0;
    QSize m_pageSize{1, 1};
};

TReportPrintViewer::TReportPrintViewer(PreparedReport report, QWidget* parent)
    : QDialog(parent), m_report(std::move(report))
{
    setObjectName(QStringLiteral("ReportPrintViewer"));
    setWindowTitle(QStringLiteral("Prévisualisation du rapport"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinMaxButtonsHint);
    setModal(true);
    resize(900, 760);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("Pan_Preview"));
    m_scroll->setAccessibleName(windowTitle());
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_view = new ReportPageView(m_report, m_scroll);
    m_scroll->setWidget(m_view);

    auto* bar = new ViewerBar(this);
    const auto add = [bar](const char* name, const QString& caption, const QString& hint) {
        QPushButton* b = bar->add(name, caption, hint);
        // The arrows of the keyboard page through the report, not the buttons.
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };
    QPushButton* print = add("Btn_Print", QStringLiteral("&Imprimer"), QStringLiteral("Imprimer"));
    print->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));
    bar->addSpacing(8);
    m_first = add("Btn_First", QStringLiteral("|◀"), QStringLiteral("Première page"));
    m_prior = add("Btn_Prior", QStringLiteral("◀"), QStringLiteral("Page précédente"));
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("Lab_Page"));
    m_pageLabel->setMinimumWidth(90);
    m_pageLabel->setAlignment(Qt::AlignCenter);
    bar->addWidget(m_pageLabel);
    m_next = add("Btn_Next", QStringLiteral("▶"), QStringLiteral("Page suivante"));
    m_last = add("Btn_Last", QStringLiteral("▶|"), QStringLiteral("Dernière page"));
    bar->addSpacing(8);
    QPushButton* whole = add("Btn_Zoom_Page", QStringLiteral("Page entière"), QStringLiteral("Page entière"));
    QPushButton* width =
        add("Btn_Zoom_Width", QStringLiteral("Largeur"), QStringLiteral("Largeur de la page"));
    QPushButton* actual = add("Btn_Zoom_100", QStringLiteral("100 %"), QStringLiteral("Taille réelle"));
    bar->addSpacing(8);
    QPushButton* pdf = add("Btn_Pdf", QStringLiteral("PDF"), QStringLiteral("Enregistrer au format PDF"));
    bar->finish();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(bar);

    connectCommand(print, &QPushButton::clicked, this, [this] { Btn_PrintClick(); });
    connectCommand(pdf, &QPushButton::clicked, this, [this] { Btn_PdfClick(); });
    connect(m_first, &QPushButton::clicked, this, &TReportPrintViewer::Btn_FirstClick);
    connect(m_prior, &QPushButton::clicked, this, &TReportPrintViewer::Btn_PriorClick);
    connect(m_next, &QPushButton::clicked, this, &TReportPrintViewer::Btn_NextClick);
    connect(m_last, &QPushButton::clicked, this, &TReportPrintViewer::Btn_LastClick);
    connect(whole, &QPushButton::clicked, this, [this] { setZoom(Zoom::WholePage); });
    connect(width, &QPushButton::clicked, this, [this] { setZoom(Zoom::PageWidth); });
    connect(actual, &QPushButton::clicked, this, [this] { setZoom(Zoom::Actual); });
    updateButtons();
}

TReportPrintViewer::~TReportPrintViewer() = default;

void TReportPrintViewer::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    layOutPage();
}

void TReportPrintViewer::showPage(int index)
{
    if (m_report.pageCount() == 0)
        return;
    m_page = qBound(0, index, m_report.pageCount() - 1);
    m_view->setPage(m_page);
    m_scroll->verticalScrollBar()->setValue(0);
    updateButtons();
}

void TReportPrintViewer::layOutPage()
{
    const QSize room =
        m_scroll->viewport()->size() - QSize(2 * ReportPageView::kMargin, 2 * ReportPageView::kMargin);
    const QSizeF mm = m_report.pageSize;
    int width = 0;
    switch (m_zoom) {
    case Zoom::WholePage:
        width = qMin(room.width(), qRound(room.height() * mm.width() / mm.height()));
        break;
    case Zoom::PageWidth:
        // Leaves room for the vertical scroll bar the page will need.
        width = room.width() - m_scroll->verticalScrollBar()->sizeHint().width();
        break;
    case Zoom::Actual:
        width = qRound(mm.width() / 25.4 * logicalDpiX());
        break;
    }
    m_view->setPageWidth(qMax(50, width));
}

void TReportPrintViewer::updateButtons()
{
    const int count = m_report.pageCount();
    m_first->setEnabled(m_page > 0);
    m_prior->setEnabled(m_page > 0);
    m_next->setEnabled(m_page + 1 < count);
    m_last->setEnabled(m_page + 1 < count);
    m_pageLabel->setText(QStringLiteral("Page %1 / %2").arg(count ? m_page + 1 : 0).arg(count));
}

void TReportPrintViewer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_zoom = Zoom::PageWidth;
    layOutPage();
}

void TReportPrintViewer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_zoom != Zoom::Actual)
        layOutPage();
}

void TReportPrintViewer::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        Btn_NextClick();
        return;
    case Qt::Key_PageUp:
        Btn_PriorClick();
        return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            Btn_FirstClick();
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            Btn_LastClick();
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

void TReportPrintViewer::Btn_PrintClick()
{
    QPrinter& printer = programPrinter();
    if (!ReportPrinting::printerAvailable(printer)) {
        if (Messages::ask(ReportPrinting::noPrinterMessage()))
            Btn_PdfClick();
        return;
    }
    PrintDialogs::Request request;
    request.pageCount = m_report.pageCount();
    const std::optional<PrintDialogs::Choice> choice = PrintDialogs::ask(printer, request, this);
    if (!choice)
        return;
    {
        BusyCursor busy;
        ReportPrinting::print(m_report, printer, choice->pages(m_report.pageCount(), m_page), choice->copies);
    }
    accept();
}

void TReportPrintViewer::Btn_PdfClick()
{
    ReportPrinting::savePdf(m_report, this);
}
