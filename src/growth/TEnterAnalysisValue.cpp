#include "TEnterAnalysisValue.h"

#include "Dataset.h"
#include "EntryFields.h"
#include "ValueFields.h"

#include <QLineEdit>

TEnterAnalysisValue::TEnterAnalysisValue(Dataset& results, QWidget* parent)
    : EntryDialog(results, QStringLiteral("EnterAnalysisValue"), QStringLiteral("  Saisie d'une valeur"),
                  parent)
{
    // Messages about a refused value name the field as the dialog does.
    const struct
    {
        const char* field;
        const char* label;
    } labels[] = {{"Date_Analysis", "Date"},
                  {"Value_Analysis", "Valeur"},
                  {"Value_Min", "Valeur minimale"},
                  {"Value_Max", "Valeur maximale"}};
    for (const auto& l : labels)
        results.setDisplayLabel(QString::fromLatin1(l.field), QString::fromUtf8(l.label));
    EntryFields::addDateField(*this, QStringLiteral("&Date"), QStringLiteral("Ed_Date"),
                              QStringLiteral("Date_Analysis"), QStringLiteral("Btn_Date"));
    QLineEdit* value =
        addLineField(QStringLiteral("&Valeur"), QStringLiteral("Ed_Value"), QStringLiteral("Value_Analysis"));
    addLineField(QStringLiteral("Valeur m&inimale"), QStringLiteral("Ed_Min"), QStringLiteral("Value_Min"));
    addLineField(QStringLiteral("Valeur m&aximale"), QStringLiteral("Ed_Max"), QStringLiteral("Value_Max"));
    // The column holds 128 characters; its binding drops what goes beyond.
    addMemoField(QStringLiteral("&Remarques"), QStringLiteral("Memo_Remark1"), QStringLiteral("Remark1"));
    setOkRule([value] { return ValueFields::isTyped(value); });
    connect(value, &QLineEdit::textChanged, this, &EntryDialog::updateOk);
}

void TEnterAnalysisValue::checkBeforePost()
{
    ValueFields::requireDateAndValue(row(), QStringLiteral("Date_Analysis"),
                                     QStringLiteral("Value_Analysis"));
}
