#include "PinGlyph.h"

#include <QPainter>
#include <QPainterPath>

namespace PinGlyph {

QPixmap pixmap(int size)
{
    // Drawn on a 12-unit square: a needle from the lower left, a red head at the upper right.
    QPixmap pin(size, size);
    pin.fill(Qt::transparent);
    QPainter p(&pin);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 12.0, size / 12.0);
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(1.0, 11.0), QPointF(6.0, 6.0));
    QPainterPath collar;
    collar.moveTo(4.0, 5.0);
    collar.lineTo(7.0, 8.0);
    p.setPen(QPen(QColor(0x9a, 0x10, 0x10), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(collar);
    p.setPen(QPen(QColor(0x9a, 0x10, 0x10), 0.8));
    QRadialGradient head(QPointF(7.2, 3.8), 4.5);
    head.setColorAt(0, QColor(0xff, 0x90, 0x90));
    head.setColorAt(1, QColor(0xd0, 0x18, 0x18));
    p.setBrush(head);
    p.drawEllipse(QPointF(8.0, 4.0), 3.3, 3.3);
    return pin;
}

} // namespace PinGlyph
