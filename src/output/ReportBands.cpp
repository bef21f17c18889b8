#include "ReportBands.h"

#include "ReportError.h"

namespace ReportBands {

namespace {

class LayoutCompiler
{
public:
    LayoutCompiler(const ReportLayout& layout, const ReportExpression::Compiler& expressions,
                   const QHash<QString, QImage>& pictures)
        : m_layout(layout), m_expressions(expressions), m_pictures(pictures)
    {
    }

    CompiledLayout run()
    {
        using T = ReportBand::Type;
        for (const ReportBand& band : m_layout.bands) {
            switch (band.type) {
            case T::PageHeader:
                single(m_out.pageHeader, band, "pageHeader");
                break;
            case T::PageFooter:
                single(m_out.pageFooter, band, "pageFooter");
                break;
            case T::Title:
                single(m_out.title, band, "title");
                break;
            case T::Summary:
                single(m_out.summary, band, "summary");
                break;
            case T::MasterHeader:
            case T::MasterData: {
                std::vector<Block>& blocks = m_out.masters;
                const bool attach = band.type == T::MasterData && !blocks.empty() && blocks.back().header &&
                                    !blocks.back().data &&
                                    blocks.back().dataset.compare(band.dataset, Qt::CaseInsensitive) == 0;
                if (!attach) {
                    blocks.emplace_back();
                    blocks.back().dataset = band.dataset;
                    blocks.back().source =
                        band.dataset.isEmpty() ? nullptr : m_expressions.source(band.dataset);
                }
                (band.type == T::MasterHeader ? blocks.back().header : blocks.back().data) = compile(band);
                break;
            }
            case T::MasterFooter:
                if (m_out.masters.empty() ||
                    m_out.masters.back().dataset.compare(band.dataset, Qt::CaseInsensitive) != 0)
                    fail(QStringLiteral("le pied <masterFooter> de \"%1\" ne suit pas ses données")
                             .arg(band.dataset));
                m_out.masters.back().footer = compile(band);
                break;
            case T::DetailHeader:
            case T::DetailData:
            case T::DetailFooter:
            case T::NoData:
                detailBand(band);
                break;
            }
        }
        return std::move(m_out);
    }

private:
    [[noreturn]] void fail(const QString& why) const { failPreparing(m_layout.source, why); }

    CompiledBand* compile(const ReportBand& band)
    {
        auto compiled = std::make_unique<CompiledBand>();
        compiled->band = &band;
        for (const ReportObject& o : band.objects) {
            CompiledObject c;
            c.object = &o;
            if (o.kind == ReportObject::Kind::Text) {
                c.tokens = m_expressions.tokens(o.text);
                c.font = m_out.fonts.of(o);
            } else if (o.kind == ReportObject::Kind::Picture) {
                c.picture = m_pictures.value(o.name.toUpper());
                if (!o.field.isEmpty())
                    c.pictureField = m_expressions.fieldOf(o.field);
            }
            compiled->objects.push_back(std::move(c));
        }
        m_out.bands.push_back(std::move(compiled));
        return m_out.bands.back().get();
    }

    void single(const CompiledBand*& slot, const ReportBand& band, const char* name)
    {
        if (slot)
            fail(QStringLiteral("la bande <%1> est présente deux fois").arg(QString::fromLatin1(name)));
        slot = compile(band);
    }

    Block& currentMaster()
    {
        if (m_out.masters.empty())
            m_out.masters.emplace_back();
        return m_out.masters.back();
    }

    // A detail band, or a master's no-data band, goes with the master above it.
    void detailBand(const ReportBand& band)
    {
        using T = ReportBand::Type;
        Block& master = currentMaster();
        if (band.type == T::NoData && master.dataset.compare(band.dataset, Qt::CaseInsensitive) == 0 &&
            !master.dataset.isEmpty()) {
            master.noData = compile(band);
            return;
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
            detail->source = m_expressions.source(band.dataset);
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
    }

    const ReportLayout& m_layout;
    const ReportExpression::Compiler& m_expressions;
    const QHash<QString, QImage>& m_pictures;
    CompiledLayout m_out;
};

} // namespace

CompiledLayout compile(const ReportLayout& layout, const ReportExpression::Compiler& expressions,
                       const QHash<QString, QImage>& pictures)
{
    return LayoutCompiler(layout, expressions, pictures).run();
}

} // namespace ReportBands
