#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace AppIcon {
QPixmap pixmap(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient cover(0, 0, 0, s);
    cover.setColorAt(0, QColor(0x33, 0x62, 0xFF));
    cover.setColorAt(1, QColor(0x00, 0x50, 0xD2));
    QPainterPath book;
    book.addRoundedRect(QRectF(s * 0.12, s * 0.06, s * 0.76, s * 0.88), s * 0.08, s * 0.08);
    p.fillPath(book, cover);
    p.fillRect(QRectF(s * 0.12, s * 0.06, s * 0.08, s * 0.88), QColor(0, 0x3a, 0x9c));
    const qreal arm = s * 0.14;
    const QPointF c(s * 0.54, s * 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(c.x() - arm / 2, c.y() - arm * 1.5, arm, arm * 3), s * 0.02, s * 0.02);
    p.drawRoundedRect(QRectF(c.x() - arm * 1.5, c.y() - arm / 2, arm * 3, arm), s * 0.02, s * 0.02);
    return pm;
}

QImage silhouette(int size)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(QColor(0xF4, 0xF4, 0xF0));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xB8, 0xBC, 0xC4));
    const qreal s = size;
    p.drawEllipse(QRectF(s * 0.32, s * 0.14, s * 0.36, s * 0.40));
    QPainterPath shoulders;
    shoulders.addRoundedRect(QRectF(s * 0.14, s * 0.58, s * 0.72, s * 0.60), s * 0.3, s * 0.3);
    p.drawPath(shoulders);
    return image;
}

QIcon icon()
{
    QIcon i;
    for (int size : {16, 32, 48, 64, 128})
        i.addPixmap(pixmap(size));
    return i;
}
} // namespace AppIcon
