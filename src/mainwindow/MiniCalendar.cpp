#include "MiniCalendar.h"

#include "Clock.h"

#include <QPainter>
#include <QPainterPath>

MiniCalendar::MiniCalendar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MiniCalendar"));
    setToolTip(QStringLiteral("Calendrier\r\nperpétuel"));
    setAccessibleName(QStringLiteral("Calendrier perpétuel"));
    setEnabled(false);
    setMinimumSize(56, 56);
}

QString MiniCalendar::monthAbbreviation(const QDate& date)
{
    static const char* const months[] = {"janvier",   "février", "mars",     "avril",
                                         "mai",       "juin",    "juillet",  "août",
                                         "septembre", "octobre", "novembre", "décembre"};
    return QString::fromUtf8(months[date.month() - 1]).left(3);
}

void MiniCalendar::paintEvent(QPaintEvent*)
{
    const QDate today = Clock::today();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height()) - 4;
    const QRectF leaf((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    QPainterPath path;
    path.addRoundedRect(leaf, 5, 5);
    p.fillPath(path, Qt::white);
    p.setPen(QColor(0x68, 0x89, 0xCE));
    p.drawPath(path);
    p.fillRect(QRectF(leaf.left() + 1, leaf.top() + 1, leaf.width() - 2, side * 0.14),
               QColor(0x33, 0x62, 0xFF));

    QFont dayFont = font();
    dayFont.setBold(true);
    dayFont.setPixelSize(qMax(10, side * 45 / 100));
    p.setFont(dayFont);
    p.setPen(Qt::red);
    p.drawText(QRectF(leaf.left(), leaf.top() + side * 0.12, leaf.width(), side * 0.55), Qt::AlignCenter,
               QString::number(today.day()));
    QFont monthFont = font();
    monthFont.setPixelSize(qMax(8, side * 22 / 100));
    p.setFont(monthFont);
    p.setPen(Qt::black);
    p.drawText(QRectF(leaf.left(), leaf.top() + side * 0.64, leaf.width(), side * 0.3), Qt::AlignCenter,
               monthAbbreviation(today));
}
