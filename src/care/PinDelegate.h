#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

// Draws a reimbursement flag column of an act grid: a plain white cell,
// with the pin when the payer's reimbursement is recorded. The cell's
// "Oui"/"Non" text stays in the model for assistive technologies.
class PinDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // `left` is the pin's distance from the cell's left edge.
    PinDelegate(int left, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int m_left;
    QPixmap m_pin;
};
