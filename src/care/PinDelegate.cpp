#include "PinDelegate.h"

#include "DatasetTableModel.h"
#include "PinGlyph.h"

#include <QPainter>

namespace {
constexpr int kTop = 3;
}

PinDelegate::PinDelegate(int left, QObject* parent)
    : QStyledItemDelegate(parent), m_left(left), m_pin(PinGlyph::pixmap())
{
}

void PinDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const DatasetTableModel*>(index.model());
    Dataset* acts = model ? model->dataset() : nullptr;
    if (!acts || !acts->isActive() || index.row() >= acts->recordCount()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    painter->fillRect(option.rect, Qt::white);
    const int field = acts->fieldIndex(model->columns().at(index.column()).field);
    if (field >= 0 && acts->fieldAt(index.row(), field).asBoolean())
        painter->drawPixmap(option.rect.left() + m_left, option.rect.top() + kTop, m_pin);
}
