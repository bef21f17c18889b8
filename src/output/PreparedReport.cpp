#include "PreparedReport.h"

#include "Errors.h"
#include "ReportLayout.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

// Items are drawn in hundredths of a millimetre: fine enough for the pixel
// sizes of the fonts, which are whole numbers.
constexpr qreal kUnits = 100.0;

QRectF inUnits(const QRectF& r)
{
    return {r.x() * kUnits, r.y() * kUnits, r.width() * kUnits, r.height() * kUnits};
}

void drawBox(QPainter& p, const PreparedItem& item)
{
    const QRectF r = inUnits(item.rect);
    if (item.fill.isValid())
        p.fillRect(r, item.fill);
    if (!item.sides || item.penWidth <= 0)
        return;
    QPen pen(item.color, item.penWidth * kUnits);
    pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    if (item.sides & ReportFrame::Left)
        p.drawLine(r.topLeft(), r.bottomLeft());
    if (item.sides & ReportFrame::Top)
        p.drawLine(r.topLeft(), r.topRight());
    if (item.sides & ReportFrame::Right)
        p.drawLine(r.topRight(), r.bottomRight());
    if (item.sides & ReportFrame::Bottom)
        p.drawLine(r.bottomLeft(), r.bottomRight());
}

void drawText(QPainter& p, const PreparedItem& item)
{
    const QRectF r = inUnits(item.rect);
    p.save();
    // Whatever the device's own metrics, nothing leaves its cell.
    p.setClipRect(r, Qt::IntersectClip);
    p.setFont(item.font);
    p.setPen(item.color);
    const qreal lineHeight = item.lineHeight * kUnits;
    const qreal textHeight = lineHeight * item.lines.size();
    qreal top = r.top();
    if (item.align & Qt::AlignVCenter)
        top += (r.height() - textHeight) / 2;
    else if (item.align & Qt::AlignBottom)
        top += r.height() - textHeight;
    const Qt::Alignment horizontal = item.align & Qt::AlignHorizontal_Mask;
    for (const QString& line : item.lines) {
        p.drawText(QRectF(r.left(), top, r.width(), lineHeight),
                   horizontal | Qt::AlignVCenter | Qt::TextSingleLine, line);
        top += lineHeight;
    }
    p.restore();
}

void drawPicture(QPainter& p, const PreparedItem& item)
{
    if (item.picture.isNull())
        return;
    const QRectF box = inUnits(item.rect);
    QSizeF size = QSizeF(item.picture.size()).scaled(box.size(), Qt::KeepAspectRatio);
    const QRectF target(box.left() + (box.width() - size.width()) / 2,
                        box.top() + (box.height() - size.height()) / 2, size.width(), size.height());
    p.drawImage(target, item.picture);
}
} // namespace

void PreparedReport::renderPage(int index, QPainter& painter, const QRectF& target) const
{
    if (index < 0 || index >= pageCount())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(target.topLeft());
    painter.scale(target.width() / (pageSize.width() * kUnits),
                  target.height() / (pageSize.height() * kUnits));
    painter.setClipRect(QRectF(0, 0, pageSize.width() * kUnits, pageSize.height() * kUnits),
                        Qt::IntersectClip);
    for (const PreparedItem& item : pages[static_cast<size_t>(index)]) {
        switch (item.kind) {
        case PreparedItem::Kind::Box:
            drawBox(painter, item);
            break;
        case PreparedItem::Kind::Text:
            drawText(painter, item);
            break;
        case PreparedItem::Kind::Line: {
            QPen pen(item.color, item.penWidth * kUnits);
            painter.setPen(pen);
            painter.drawLine(inUnits(item.rect).topLeft(), inUnits(item.rect).bottomRight());
            break;
        }
        case PreparedItem::Kind::Picture:
            drawPicture(painter, item);
            break;
        }
    }
    painter.restore();
}

QPageLayout PreparedReport::pageLayout() const
{
    // Paper sizes are named upright; a wider page is that paper turned.
    const bool landscape = isLandscape();
    const QSizeF upright = landscape ? pageSize.transposed() : pageSize;
    return QPageLayout(QPageSize(upright, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

QImage PreparedReport::pageImage(int index, int width) const
{
    const int height = qRound(width * pageSize.height() / pageSize.width());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderPage(index, painter, QRectF(0, 0, width, height));
    return image;
}

void PreparedReport::writePdf(const QString& path, const Progress& progress) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Impossible d'écrire le fichier \"%1\".").arg(path));
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Brivoline"));
        writer.setResolution(600);
        writer.setPageLayout(pageLayout());
        QPainter painter;
        if (!painter.begin(&writer))
            throw FileError(QStringLiteral("Impossible d'écrire le fichier \"%1\".").arg(path));
        const QRectF page(0, 0, writer.width(), writer.height());
        for (int i = 0; i < pageCount(); ++i) {
            if (i > 0)
                writer.newPage();
            renderPage(i, painter, page);
            if (progress)
                progress(i + 1, pageCount());
        }
        painter.end();
    }
    if (!file.commit())
        throw FileError(QStringLiteral("Impossible d'écrire le fichier \"%1\".").arg(path));
}

QStringList PreparedReport::texts(int index) const
{
    QStringList all;
    if (index < 0 || index >= pageCount())
        return all;
    for (const PreparedItem& item : pages[static_cast<size_t>(index)])
        if (item.kind == PreparedItem::Kind::Text)
            all << item.lines.join(QLatin1Char(' '));
    return all;
}
