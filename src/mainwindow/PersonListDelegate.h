#pragma once

#include <QStyledItemDelegate>

// Draws one person of the list: the thumbnail in its white square and the
// name, first name and social security number, each with a soft shadow.
class PersonListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 60;
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
