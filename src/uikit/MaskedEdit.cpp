#include "MaskedEdit.h"

MaskedEdit::MaskedEdit(QWidget* parent) : QLineEdit(parent) {}

void MaskedEdit::setEditMask(const QString& mask)
{
    m_mask = EditMask(mask);
    applyMask(this, m_mask);
}

QString MaskedEdit::storedText() const
{
    return storedText(this, m_mask);
}

void MaskedEdit::setStoredText(const QString& stored)
{
    setStoredText(this, m_mask, stored);
}

bool MaskedEdit::isComplete() const
{
    return m_mask.isComplete(displayText());
}

void MaskedEdit::applyMask(QLineEdit* edit, const EditMask& mask)
{
    if (edit->inputMask() != mask.qtInputMask())
        edit->setInputMask(mask.qtInputMask());
}

QString MaskedEdit::storedText(const QLineEdit* edit, const EditMask& mask)
{
    return mask.isEmpty() ? edit->text() : mask.toStored(edit->displayText());
}

void MaskedEdit::setStoredText(QLineEdit* edit, const EditMask& mask, const QString& stored)
{
    edit->setText(mask.isEmpty() ? stored : mask.toShown(stored));
}
