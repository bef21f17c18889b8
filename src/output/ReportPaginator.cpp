#include "ReportPaginator.h"

#include "ReportBandLayout.h"
#include "ReportBands.h"
#include "ReportEngine.h"
#include "ReportError.h"
#include "ReportExpression.h"

#include <functional>
#include <vector>

using ReportBandLayout::LaidBand;
using ReportBands::Block;
using ReportBands::CompiledBand;

// Lays a report's bands out on pages; one use per preparation.
class ReportPaginator
{
public:
    ReportPaginator(const Report& report, const PreparedReport::Progress& progress)
        : m_report(report), m_layout(report.m_layout), m_progress(progress),
          m_expressions(m_layout.source, report.m_datasets, report.m_variables, report.m_date)
    {
    }

    PreparedReport run()
    {
        m_bands = ReportBands::compile(m_layout, m_expressions, m_report.m_pictures);
        m_out.title = m_report.m_title;
        m_out.pageSize = m_layout.pageSize;
        const QRectF content = m_layout.contentRect();
        m_left = content.left();
        m_top = content.top();
        m_bottom = content.bottom() - (m_bands.pageFooter ? m_bands.pageFooter->band->height : 0);
        if (m_bottom - m_top < 5)
            fail(QStringLiteral("l'en-tête et le pied de page ne laissent pas de place aux données"));
        // One step a printed row: each master row, and the rows of its details under it.
        for (const Block& master : m_bands.masters) {
            int detailRows = 0;
            for (const Block& d : master.details)
                detailRows += rowCount(d);
            m_total += rowCount(master) * (1 + detailRows);
        }

        newPage();
        if (m_bands.title)
            print(*m_bands.title);
        for (const Block& master : m_bands.masters)
            printMaster(master);
        if (m_bands.summary)
            print(*m_bands.summary);
        finishPage();
        resolvePageCount();
        return std::move(m_out);
    }

private:
    [[noreturn]] void fail(const QString& why) const { failPreparing(m_layout.source, why); }

    // The band as it prints on the current page.
    LaidBand lay(const CompiledBand& band, qreal maxHeight)
    {
        return ReportBandLayout::lay(band, maxHeight, m_values, m_out.pageCount());
    }

    void place(LaidBand laid, qreal top)
    {
        auto& page = m_out.pages.back();
        for (size_t index : laid.withPageCount)
            m_withPageCount.push_back({m_out.pageCount() - 1, page.size() + index});
        for (PreparedItem& item : laid.items) {
            item.rect.translate(m_left, top);
            page.push_back(std::move(item));
        }
    }

    qreal available() const { return m_bottom - m_top; }

    void newPage()
    {
        if (!m_out.pages.empty())
            finishPage();
        m_out.pages.emplace_back();
        m_y = m_top;
        if (m_bands.pageHeader)
            printHere(*m_bands.pageHeader);
        if (m_running)
            printHere(*m_running);
        m_bodyTop = m_y;
    }

    void finishPage()
    {
        if (!m_bands.pageFooter)
            return;
        LaidBand laid = lay(*m_bands.pageFooter, m_bands.pageFooter->band->height);
        place(std::move(laid), m_bottom);
    }

    void printHere(const CompiledBand& band)
    {
        LaidBand laid = lay(band, available());
        const qreal h = laid.height;
        place(std::move(laid), m_y);
        m_y += h;
    }

    // Prints the band where the page has room for it and `keep` more
    // millimetres after it; otherwise on a new page.
    void print(const CompiledBand& band, qreal keep = 0)
    {
        const bool pageHasBody = m_y > m_bodyTop + 0.01;
        if (band.band->newPage && pageHasBody)
            newPage();
        LaidBand laid = lay(band, available());
        if (m_y + laid.height + keep > m_bottom + 0.001 && m_y > m_bodyTop + 0.01) {
            newPage();
            laid = lay(band, available());
        }
        const qreal h = laid.height;
        place(std::move(laid), m_y);
        m_y += h;
    }

    void step()
    {
        ++m_done;
        if (m_progress && m_done % 200 == 0)
            m_progress(m_done, m_total);
    }

    static int rowCount(const Block& block)
    {
        return block.source ? (block.source->isOpen() ? block.source->rowCount() : 0) : 1;
    }

    void printRows(const Block& block, const std::function<void()>& afterEachRow)
    {
        const int rows = rowCount(block);
        if (block.source && rows == 0) {
            if (block.noData)
                print(*block.noData);
            return;
        }
        const CompiledBand* outerRunning = m_running;
        if (block.header) {
            m_values.setRow(block.source, 0);
            const qreal firstRow = block.data ? block.data->band->height : 0;
            print(*block.header, firstRow);
            if (block.header->band->repeat)
                m_running = block.header;
        }
        for (int row = 0; row < rows; ++row) {
            if (block.source)
                m_values.setRow(block.source, row);
            if (block.data)
                print(*block.data);
            step();
            if (afterEachRow)
                afterEachRow();
        }
        m_running = outerRunning;
        if (block.footer)
            print(*block.footer);
    }

    void printMaster(const Block& master)
    {
        printRows(master, [this, &master] {
            for (const Block& detail : master.details)
                printRows(detail, {});
        });
    }

    void resolvePageCount()
    {
        const QString count = QString::number(m_out.pageCount());
        for (const Noted& n : m_withPageCount) {
            PreparedItem& item = m_out.pages[static_cast<size_t>(n.page)][n.item];
            for (QString& line : item.lines)
                line.replace(ReportExpression::kTotalPagesMark, count);
        }
    }

    const Report& m_report;
    const ReportLayout& m_layout;
    PreparedReport::Progress m_progress;
    PreparedReport m_out;

    ReportExpression::Compiler m_expressions;
    ReportExpression::Evaluator m_values;
    ReportBands::CompiledLayout m_bands;
    const CompiledBand* m_running = nullptr;

    struct Noted
    {
        int page;
        size_t item;
    };
    std::vector<Noted> m_withPageCount;

    qreal m_left = 0;
    qreal m_top = 0;
    qreal m_bottom = 0;
    qreal m_y = 0;
    qreal m_bodyTop = 0;
    int m_done = 0;
    int m_total = 0;
};

PreparedReport paginate(const Report& report, const PreparedReport::Progress& progress)
{
    return ReportPaginator(report, progress).run();
}
