#include "ReportEngine.h"

#include "Clock.h"
#include "Formats.h"
#include "ReportError.h"

#include <map>
#include <memory>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <QTextLayout>

namespace {

constexpr qreal kUnits = 100.0; // font pixel sizes are in hundredths of a millimetre
constexpr qreal kPointInMm = 25.4 / 72.0;
// Stands for the page count until the last page is known.
const QString kTotalPagesMark = QStringLiteral("\uE000TP\uE000");

struct FontInfo
{
    QFont font;
    QFontMetricsF metrics;
    qreal lineHeight; // millimetres
};

struct FieldRef
{
    const ReportDataSource* source = nullptr; // null: reads empty (a closed dataset)
    int column = -1;
};

struct Token
{
    enum class Kind
    {
        Literal,
        Field,
        Sum,
        Count,
        Constant,
        Page,
        TotalPages
    };
    Kind kind = Kind::Literal;
    QString text; // literal or constant
    FieldRef field;
    QString format;
};

struct CompiledObject
{
    const ReportObject* object = nullptr;
    std::vector<Token> tokens;
    const FontInfo* font = nullptr;
    QImage picture;
    FieldRef pictureField;
};

struct CompiledBand
{
    const ReportBand* band = nullptr;
    std::vector<CompiledObject> objects;
};

struct Block
{
    QString dataset;
    const ReportDataSource* source = nullptr;
    const CompiledBand* header = nullptr;
    const CompiledBand* data = nullptr;
    const CompiledBand* footer = nullptr;
    const CompiledBand* noData = nullptr;
    std::vector<Block> details;
};

struct LaidBand
{
    qreal height = 0;
    std::vector<PreparedItem> items;   // relative to the band's top-left corner
    std::vector<size_t> withPageCount; // items that show [TOTALPAGES]
};

QStringList breakLines(const QString& text, const FontInfo& font, qreal width, bool wrap)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines;
    const qreal available = width * kUnits;
    for (const QString& paragraph : normalised.split(QLatin1Char('\n'))) {
        if (!wrap || font.metrics.horizontalAdvance(paragraph) <= available) {
            lines << paragraph;
            continue;
        }
        QTextLayout layout(paragraph, font.font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(available);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (!part.isEmpty() && part.back().isSpace())
                part.chop(1);
            lines << part;
        }
        layout.endLayout();
    }
    // A field left empty at the end of a text takes no line.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

// Lays a report's bands out on pages; one use per preparation.
class ReportPreparer
{
public:
    ReportPreparer(const Report& report, const PreparedReport::Progress& progress)
        : m_report(report), m_layout(report.m_layout), m_progress(progress)
    {
    }

    PreparedReport run()
    {
        compileAll();
        m_out.title = m_report.m_title;
        m_out.pageSize = m_layout.pageSize;
        const QRectF content = m_layout.contentRect();
        m_left = content.left();
        m_top = content.top();
        m_bottom = content.bottom() - (m_pageFooter ? m_pageFooter->band->height : 0);
        if (m_bottom - m_top < 5)
            fail(QStringLiteral("l'en-tête et le pied de page ne laissent pas de place aux données"));
        // One step a printed row: each master row, and the rows of its details under it.
        for (const Block& master : m_blocks) {
            int detailRows = 0;
            for (const Block& d : master.details)
                detailRows += rowCount(d);
            m_total += rowCount(master) * (1 + detailRows);
        }

        newPage();
        if (m_title)
            print(*m_title);
        for (const Block& master : m_blocks)
            printMaster(master);
        if (m_summary)
            print(*m_summary);
        finishPage();
        resolvePageCount();
        return std::move(m_out);
    }

private:
    [[noreturn]] void fail(const QString& why) const
    {
        throw ReportError(QStringLiteral("Le modèle d'impression \"%1\" ne peut pas être préparé : %2.")
                              .arg(m_layout.source, why));
    }

    // ---- compiling the layout against the data

    const ReportDataSource* source(const QString& name) const
    {
        const auto found = m_report.m_datasets.constFind(name.toUpper());
        if (found == m_report.m_datasets.cend())
            fail(QStringLiteral("le jeu de données \"%1\" est inconnu").arg(name));
        return found.value();
    }

    FieldRef field(const QString& dataset, const QString& column) const
    {
        FieldRef ref;
        const ReportDataSource* s = source(dataset);
        if (!s->isOpen())
            return ref;
        ref.column = s->columnIndex(column);
        if (ref.column < 0)
            fail(QStringLiteral("le champ %1.\"%2\" est inconnu").arg(dataset, column));
        ref.source = s;
        return ref;
    }

    // `Dataset."Column"` or `Dataset.Column`.
    FieldRef fieldOf(const QString& expression) const
    {
        static const QRegularExpression pattern(
            QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\.\"?([^\"]+)\"?\\s*$"));
        const QRegularExpressionMatch m = pattern.match(expression);
        if (!m.hasMatch())
            fail(QStringLiteral("\"%1\" n'est pas un champ").arg(expression));
        return field(m.captured(1), m.captured(2).trimmed());
    }

    Token token(const QString& inside) const
    {
        Token t;
        QString expression = inside;
        const qsizetype bar = inside.indexOf(QLatin1Char('|'));
        if (bar >= 0) {
            t.format = inside.mid(bar + 1);
            expression = inside.left(bar);
        }
        expression = expression.trimmed();
        const QString upper = expression.toUpper();
        static const QRegularExpression call(QStringLiteral("^(SUM|COUNT)\\s*\\((.*)\\)$"),
                                             QRegularExpression::CaseInsensitiveOption);
        if (const QRegularExpressionMatch m = call.match(expression); m.hasMatch()) {
            if (m.captured(1).toUpper() == QLatin1String("SUM")) {
                t.kind = Token::Kind::Sum;
                t.field = fieldOf(m.captured(2));
            } else {
                t.kind = Token::Kind::Count;
                t.field.source = source(m.captured(2).trimmed());
            }
        } else if (expression.contains(QLatin1Char('.'))) {
            t.kind = Token::Kind::Field;
            t.field = fieldOf(expression);
        } else if (upper == QLatin1String("PAGE")) {
            t.kind = Token::Kind::Page;
        } else if (upper == QLatin1String("TOTALPAGES")) {
            t.kind = Token::Kind::TotalPages;
        } else if (upper == QLatin1String("DATE")) {
            t.kind = Token::Kind::Constant;
            const QDate date = m_report.m_date.isValid() ? m_report.m_date : Clock::today();
            t.text = formatReportValue(ReportValue::ofDate(date), t.format);
        } else {
            std::optional<QString> value;
            if (m_report.m_variables)
                value = m_report.m_variables(upper);
            if (!value)
                fail(QStringLiteral("la variable [%1] est inconnue").arg(expression));
            t.kind = Token::Kind::Constant;
            t.text = *value;
        }
        return t;
    }

    std::vector<Token> tokens(const QString& text) const
    {
        std::vector<Token> all;
        qsizetype at = 0;
        while (at < text.size()) {
            const qsizetype open = text.indexOf(QLatin1Char('['), at);
            if (open < 0)
                break;
            const qsizetype close = text.indexOf(QLatin1Char(']'), open);
            if (close < 0)
                fail(QStringLiteral("un crochet n'est pas fermé dans \"%1\"").arg(text));
            if (open > at)
                all.push_back({Token::Kind::Literal, text.mid(at, open - at), {}, {}});
            all.push_back(token(text.mid(open + 1, close - open - 1)));
            at = close + 1;
        }
        if (at < text.size())
            all.push_back({Token::Kind::Literal, text.mid(at), {}, {}});
        return all;
    }

    const FontInfo* font(const ReportObject& o)
    {
        const QString key = QStringLiteral("%1|%2|%3|%4").arg(o.family).arg(o.size).arg(o.bold).arg(o.italic);
        auto found = m_fonts.find(key);
        if (found == m_fonts.end()) {
            QFont f(o.family);
            f.setPixelSize(qMax(1, qRound(o.size * kPointInMm * kUnits)));
            f.setBold(o.bold);
            f.setItalic(o.italic);
            f.setHintingPreference(QFont::PreferNoHinting);
            f.setKerning(false);
            const QFontMetricsF metrics(f);
            found =
                m_fonts
                    .emplace(key, std::make_unique<FontInfo>(FontInfo{f, metrics, metrics.height() / kUnits}))
                    .first;
        }
        return found->second.get();
    }

    CompiledBand* compile(const ReportBand& band)
    {
        auto compiled = std::make_unique<CompiledBand>();
        compiled->band = &band;
        for (const ReportObject& o : band.objects) {
            CompiledObject c;
            c.object = &o;
            if (o.kind == ReportObject::Kind::Text) {
                c.tokens = tokens(o.text);
                c.font = font(o);
            } else if (o.kind == ReportObject::Kind::Picture) {
                c.picture = m_report.m_pictures.value(o.name.toUpper());
                if (!o.field.isEmpty())
                    c.pictureField = fieldOf(o.field);
            }
            compiled->objects.push_back(std::move(c));
        }
        m_bands.push_back(std::move(compiled));
        return m_bands.back().get();
    }

    void single(const CompiledBand*& slot, const ReportBand& band, const char* name)
    {
        if (slot)
            fail(QStringLiteral("la bande <%1> est présente deux fois").arg(QString::fromLatin1(name)));
        slot = compile(band);
    }

    Block& currentMaster()
    {
        if (m_blocks.empty())
            m_blocks.emplace_back();
        return m_blocks.back();
    }

    void compileAll()
    {
        using T = ReportBand::Type;
        for (const ReportBand& band : m_layout.bands) {
            switch (band.type) {
            case T::PageHeader:
                single(m_pageHeader, band, "pageHeader");
                break;
            case T::PageFooter:
                single(m_pageFooter, band, "pageFooter");
                break;
            case T::Title:
                single(m_title, band, "title");
                break;
            case T::Summary:
                single(m_summary, band, "summary");
                break;
            case T::MasterHeader:
            case T::MasterData: {
                const bool attach = band.type == T::MasterData && !m_blocks.empty() &&
                                    m_blocks.back().header && !m_blocks.back().data &&
                                    m_blocks.back().dataset.compare(band.dataset, Qt::CaseInsensitive) == 0;
                if (!attach) {
                    m_blocks.emplace_back();
                    m_blocks.back().dataset = band.dataset;
                    m_blocks.back().source = band.dataset.isEmpty() ? nullptr : source(band.dataset);
                }
                (band.type == T::MasterHeader ? m_blocks.back().header : m_blocks.back().data) =
                    compile(band);
                break;
            }
            case T::MasterFooter:
                if (m_blocks.empty() ||
                    m_blocks.back().dataset.compare(band.dataset, Qt::CaseInsensitive) != 0)
                    fail(QStringLiteral("le pied <masterFooter> de \"%1\" ne suit pas ses données")
                             .arg(band.dataset));
                m_blocks.back().footer = compile(band);
                break;
            case T::DetailHeader:
            case T::DetailData:
            case T::DetailFooter:
            case T::NoData: {
                Block& master = currentMaster();
                if (band.type == T::NoData &&
                    master.dataset.compare(band.dataset, Qt::CaseInsensitive) == 0 &&
                    !master.dataset.isEmpty()) {
                    master.noData = compile(band);
                    break;
                }
                Block* detail = nullptr;
                if (band.type != T::DetailHeader && !master.details.empty() &&
                    master.details.back().dataset.compare(band.dataset, Qt::CaseInsensitive) == 0)
                    detail = &master.details.back();
                if (!detail) {
                    if (band.type == T::DetailFooter)
                        fail(QStringLiteral("le pied <detailFooter> de \"%1\" ne suit pas ses données")
                                 .arg(band.dataset));
                    master.details.emplace_back();
                    detail = &master.details.back();
                    detail->dataset = band.dataset;
                    detail->source = source(band.dataset);
                }
                const CompiledBand* compiled = compile(band);
                switch (band.type) {
                case T::DetailHeader:
                    detail->header = compiled;
                    break;
                case T::DetailData:
                    detail->data = compiled;
                    break;
                case T::DetailFooter:
                    detail->footer = compiled;
                    break;
                default:
                    detail->noData = compiled;
                    break;
                }
                break;
            }
            }
        }
    }

    // ---- evaluating texts

    int rowOf(const ReportDataSource* s) const
    {
        const auto found = m_rows.find(s);
        return found == m_rows.end() ? 0 : found->second;
    }

    ReportValue valueOf(const FieldRef& ref) const
    {
        if (!ref.source || ref.source->rowCount() == 0)
            return {};
        return ref.source->value(qMin(rowOf(ref.source), ref.source->rowCount() - 1), ref.column);
    }

    ReportValue sumOf(const FieldRef& ref)
    {
        if (!ref.source)
            return ReportValue::ofNumber(0);
        const auto key = std::make_pair(ref.source, ref.column);
        const auto cached = m_sums.find(key);
        if (cached != m_sums.end())
            return cached->second;
        Money::Amount money;
        double number = 0;
        bool isMoney = false;
        for (int row = 0; row < ref.source->rowCount(); ++row) {
            const ReportValue v = ref.source->value(row, ref.column);
            if (v.kind == ReportValue::Kind::Money) {
                isMoney = true;
                money = money + v.money;
            } else if (v.kind == ReportValue::Kind::Number) {
                number += v.number;
            }
        }
        const ReportValue sum = isMoney ? ReportValue::ofMoney(money + Money::Amount::fromDouble(number))
                                        : ReportValue::ofNumber(number);
        m_sums.emplace(key, sum);
        return sum;
    }

    QString evaluate(const CompiledObject& c, bool& hasTotal)
    {
        QString text;
        for (const Token& t : c.tokens) {
            switch (t.kind) {
            case Token::Kind::Literal:
            case Token::Kind::Constant:
                text += t.text;
                break;
            case Token::Kind::Field:
                text += formatReportValue(valueOf(t.field), t.format);
                break;
            case Token::Kind::Sum:
                text += formatReportValue(sumOf(t.field), t.format);
                break;
            case Token::Kind::Count:
                text += QString::number(
                    t.field.source && t.field.source->isOpen() ? t.field.source->rowCount() : 0);
                break;
            case Token::Kind::Page:
                text += QString::number(m_out.pageCount());
                break;
            case Token::Kind::TotalPages:
                text += kTotalPagesMark;
                hasTotal = true;
                break;
            }
        }
        return text;
    }

    // ---- laying out one band

    LaidBand lay(const CompiledBand& band, qreal maxHeight)
    {
        const ReportBand& b = *band.band;
        struct Pending
        {
            const CompiledObject* c;
            QRectF rect;
            QStringList lines;
            bool hasTotal = false;
        };
        std::vector<Pending> pending;
        pending.reserve(band.objects.size());
        qreal height = b.height;
        for (const CompiledObject& c : band.objects) {
            Pending p{&c, c.object->rect, {}, false};
            if (c.object->kind == ReportObject::Kind::Text) {
                const ReportObject& o = *c.object;
                const QString text = evaluate(c, p.hasTotal);
                p.lines = breakLines(text, *c.font, qMax<qreal>(0, o.rect.width() - 2 * o.padding), o.wrap);
                if (o.grow) {
                    const qreal needed = p.lines.size() * c.font->lineHeight + 2 * o.padding;
                    p.rect.setHeight(qMax(o.rect.height(), needed));
                    height = qMax(height, p.rect.bottom());
                }
            }
            pending.push_back(std::move(p));
        }
        // Whatever reached the band's bottom follows it, so ruled cells stay even.
        const qreal grown = height - b.height;
        if (grown > 0)
            for (Pending& p : pending) {
                const QRectF& r = p.c->object->rect;
                if (p.c->object->kind == ReportObject::Kind::Line) {
                    if (r.bottom() >= b.height - 0.01)
                        p.rect.setBottom(r.bottom() + grown);
                } else if (r.bottom() >= b.height - 0.01) {
                    p.rect.setHeight(qMax(p.rect.height(), r.height() + grown));
                }
            }
        // A band taller than a page is cut at the page's end: nothing is lost
        // silently, since its texts stay clipped inside their own boxes.
        height = qMin(height, maxHeight);

        LaidBand laid;
        laid.height = height;
        for (Pending& p : pending) {
            const ReportObject& o = *p.c->object;
            QRectF rect = p.rect;
            if (o.kind != ReportObject::Kind::Line)
                rect = rect.intersected(QRectF(-1000, 0, 3000, height));
            switch (o.kind) {
            case ReportObject::Kind::Text: {
                if (o.fill.isValid() || o.frame.sides)
                    laid.items.push_back(box(rect, o.fill, o.frame));
                PreparedItem t;
                t.kind = PreparedItem::Kind::Text;
                t.rect = rect.adjusted(o.padding, o.padding, -o.padding, -o.padding);
                t.lines = std::move(p.lines);
                t.font = p.c->font->font;
                t.lineHeight = p.c->font->lineHeight;
                t.align = o.align;
                t.color = o.color;
                if (p.hasTotal)
                    laid.withPageCount.push_back(laid.items.size());
                laid.items.push_back(std::move(t));
                break;
            }
            case ReportObject::Kind::Picture: {
                PreparedItem pic;
                pic.kind = PreparedItem::Kind::Picture;
                pic.rect = rect;
                pic.picture = p.c->picture;
                if (p.c->pictureField.source) {
                    const ReportValue v = valueOf(p.c->pictureField);
                    if (v.kind == ReportValue::Kind::Bytes)
                        pic.picture = QImage::fromData(v.bytes);
                }
                laid.items.push_back(std::move(pic));
                if (o.frame.sides)
                    laid.items.push_back(box(rect, QColor(), o.frame));
                break;
            }
            case ReportObject::Kind::Line: {
                PreparedItem line;
                line.kind = PreparedItem::Kind::Line;
                line.rect = rect;
                line.color = o.color;
                line.penWidth = o.lineWidth;
                laid.items.push_back(std::move(line));
                break;
            }
            case ReportObject::Kind::Rect: {
                ReportFrame frame;
                frame.sides = o.lineWidth > 0 ? 15 : 0;
                frame.width = o.lineWidth;
                frame.color = o.color;
                laid.items.push_back(box(rect, o.fill, frame));
                break;
            }
            }
        }
        return laid;
    }

    static PreparedItem box(const QRectF& rect, const QColor& fill, const ReportFrame& frame)
    {
        PreparedItem b;
        b.kind = PreparedItem::Kind::Box;
        b.rect = rect;
        b.fill = fill;
        b.sides = frame.sides;
        b.penWidth = frame.width;
        b.color = frame.color;
        return b;
    }

    // ---- pages

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
        if (m_pageHeader)
            printHere(*m_pageHeader);
        if (m_running)
            printHere(*m_running);
        m_bodyTop = m_y;
    }

    void finishPage()
    {
        if (!m_pageFooter)
            return;
        LaidBand laid = lay(*m_pageFooter, m_pageFooter->band->height);
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
            m_rows[block.source] = 0;
            const qreal firstRow = block.data ? block.data->band->height : 0;
            print(*block.header, firstRow);
            if (block.header->band->repeat)
                m_running = block.header;
        }
        for (int row = 0; row < rows; ++row) {
            if (block.source)
                m_rows[block.source] = row;
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
                line.replace(kTotalPagesMark, count);
        }
    }

    const Report& m_report;
    const ReportLayout& m_layout;
    PreparedReport::Progress m_progress;
    PreparedReport m_out;

    std::map<QString, std::unique_ptr<FontInfo>> m_fonts;
    std::vector<std::unique_ptr<CompiledBand>> m_bands;
    const CompiledBand* m_pageHeader = nullptr;
    const CompiledBand* m_pageFooter = nullptr;
    const CompiledBand* m_title = nullptr;
    const CompiledBand* m_summary = nullptr;
    std::vector<Block> m_blocks;

    std::map<const ReportDataSource*, int> m_rows;
    std::map<std::pair<const ReportDataSource*, int>, ReportValue> m_sums;
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

Report::Report(ReportLayout layout) : m_layout(std::move(layout)) {}

void Report::addDataset(const QString& name, const ReportDataSource* source)
{
    m_datasets.insert(name.toUpper(), source);
}

void Report::setPicture(const QString& name, const QImage& picture)
{
    m_pictures.insert(name.toUpper(), picture);
}

PreparedReport Report::prepare(const PreparedReport::Progress& progress) const
{
    return ReportPreparer(*this, progress).run();
}
