#pragma once

#include "PreparedReport.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;
class ReportPageView;

// The preview of a prepared report: one page at a time at the chosen zoom,
// printing of a page range with copies, and saving as PDF.
class TReportPrintViewer : public QDialog
{
    Q_OBJECT
public:
    enum class Zoom
    {
        WholePage,
        PageWidth,
        Actual
    };

    explicit TReportPrintViewer(PreparedReport report, QWidget* parent = nullptr);
    ~TReportPrintViewer() override;

    int currentPage() const { return m_page; }
    Zoom zoom() const { return m_zoom; }
    void setZoom(Zoom zoom);
    void showPage(int index);

public slots:
    void Btn_PrintClick();
    void Btn_PdfClick();
    void Btn_FirstClick() { showPage(0); }
    void Btn_PriorClick() { showPage(m_page - 1); }
    void Btn_NextClick() { showPage(m_page + 1); }
    void Btn_LastClick() { showPage(m_report.pageCount() - 1); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layOutPage();
    void updateButtons();

    PreparedReport m_report;
    int m_page = 0;
    Zoom m_zoom = Zoom::PageWidth;
    QScrollArea* m_scroll = nullptr;
    ReportPageView* m_view = nullptr;
    QLabel* m_pageLabel = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_prior = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_last = nullptr;
};
