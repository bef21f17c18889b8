#include "ReportBandLayout.h"

namespace ReportBandLayout {

using ReportBands::CompiledBand;
using ReportBands::CompiledObject;

namespace {

PreparedItem box(const QRectF& rect, const QColor& fill, const ReportFrame& frame)
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

} // namespace

LaidBand lay(const CompiledBand& band, qreal maxHeight, ReportExpression::Evaluator& values, int page)
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
            const QString text = values.evaluate(c.tokens, page, p.hasTotal);
            p.lines = ReportTextLayout::breakLines(text, *c.font,
                                                   qMax<qreal>(0, o.rect.width() - 2 * o.padding), o.wrap);
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
                const ReportValue v = values.valueOf(p.c->pictureField);
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

} // namespace ReportBandLayout
