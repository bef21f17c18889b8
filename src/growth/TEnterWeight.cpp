#include "TEnterWeight.h"

#include "Dataset.h"
#include "EntryFields.h"
#include "Measurements.h"
#include "ValueFields.h"

#include <QLineEdit>

TEnterWeight::TEnterWeight(Dataset& measures, const MeasureKind& kind, QWidget* parent)
    : EntryDialog(measures, QStringLiteral("EnterWeight"), QStringLiteral("  Saisie d'une mesure"), parent),
      m_kind(kind)
{
    // Messages about a refused value name the field as the dialog does.
    measures.setDisplayLabel(kind.dateField, QStringLiteral("Date"));
    measures.setDisplayLabel(kind.valueField, QStringLiteral("Valeur"));
    measures.setEditFormat(kind.valueField, kind.editFormat);
    measures.setDisplayFormat(kind.valueField, kind.displayFormat);
    EntryFields::addDateField(*this, QStringLiteral("&Date"), QStringLiteral("Ed_Date"), kind.dateField,
                              QStringLiteral("Btn_Date"));
    QLineEdit* value = addLineField(QStringLiteral("&Valeur"), QStringLiteral("Ed_Weight"), kind.valueField);
    value->setMaximumWidth(140);
    addMemoField(QStringLiteral("&Observations"), QStringLiteral("Memo_Remark1"), QStringLiteral("Remark"));
    setOkRule([value] { return ValueFields::isTyped(value); });
    connect(value, &QLineEdit::textChanged, this, &EntryDialog::updateOk);
}

void TEnterWeight::checkBeforePost()
{
    ValueFields::requireDateAndValue(row(), m_kind.dateField, m_kind.valueField);
}
