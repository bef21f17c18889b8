#include "PersonListDelegate.h"

#include "PersonListModel.h"

#include <QPainter>

namespace {
QColor darkened(const QColor& c)
{
    return QColor(qMax(0, c.red() - 30), qMax(0, c.green() - 30), qMax(0, c.blue() - 30));
}

// The text once a pixel right and down in a darker shade, then in place.
void drawShadowed(QPainter* p, const QRect& rect, const QString& text, const QColor& background)
{
    p->setPen(darkened(background));
    p->drawText(rect.translated(1, 1), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    p->setPen(QColor(0x1E, 0x40, 0x79));
    p->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}
} // namespace

QSize PersonListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), kRowHeight};
}

void PersonListDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    p->save();
    const QRect r = option.rect;
    const bool current = option.state & QStyle::State_Selected;
    QColor background = option.palette.color(QPalette::Base);
    if (current) {
        const QRect box = r.adjusted(3, 2, -3, -2);
        background = QColor(0xE7, 0xEC, 0xF8);
        p->fillRect(box, background);
        p->setPen(QColor(0xA7, 0xBF, 0xE9));
        p->drawRect(box.adjusted(0, 0, -1, -1));
    }

    const int squareLeft = r.left() + (current ? 6 : 4);
    const QRect square(squareLeft, r.top() + 5, 49, 49);
    p->fillRect(square.translated(2, 2), QColor(0, 0, 0, 40));
    p->fillRect(square, Qt::white);
    p->setPen(QColor(0xE6, 0xE6, 0xE1));
    p->drawRect(square.adjusted(0, 0, -1, -1));
    const QImage thumb = index.data(PersonListModel::ThumbnailRole).value<QImage>();
    if (!thumb.isNull())
        p->drawImage(square.left() + (square.width() - thumb.width()) / 2,
                     square.top() + (square.height() - thumb.height()) / 2, thumb);

    const int left = r.left() + 62;
    const int width = qMax(0, r.right() - 4 - left);
    QFont name(QStringLiteral("Arial"));
    name.setPointSize(9);
    name.setBold(true);
    QFont small(QStringLiteral("Arial"));
    small.setPointSize(8);
    const int top = r.top() + 9;
    p->setFont(name);
    drawShadowed(p, QRect(left, top, width, 16), index.data(PersonListModel::NameRole).toString(),
                 background);
    p->setFont(small);
    drawShadowed(p, QRect(left, top + 14, width, 15), index.data(PersonListModel::ForeNameRole).toString(),
                 background);
    drawShadowed(p, QRect(left, top + 31, width, 15), index.data(PersonListModel::NumberRole).toString(),
                 background);
    p->restore();
}
