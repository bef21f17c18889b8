#include "ValueFields.h"

#include "AnalysisSeries.h"
#include "Dataset.h"
#include "EntryDialog.h"
#include "EntryFields.h"
#include "Errors.h"
#include "TDataModule1.h"

#include <QLineEdit>

namespace ValueFields {
namespace {
const QString kUnit = QStringLiteral("Unit");
const QString kDecimal = QStringLiteral("Decimal");
const QStringList kRange{QStringLiteral("Value_Min"), QStringLiteral("Value_Max")};

int decimalsOf(const Dataset& row)
{
    const Field f = row.field(kDecimal);
    return f.isNull() ? 2 : f.asInteger();
}
} // namespace

void requireDateAndValue(const Dataset& row, const QString& dateField, const QString& valueField)
{
    if (row.field(dateField).asString().trimmed().remove(QLatin1Char('/')).isEmpty())
        throw AppError(QStringLiteral("Saisissez la date de la mesure."));
    if (row.field(valueField).asString().trimmed().isEmpty())
        throw AppError(QStringLiteral("Saisissez une valeur, par exemple 72,5."));
}

bool isTyped(const QLineEdit* value)
{
    return !value->text().isEmpty();
}

void applyFormats(Dataset& row, int decimals, const QString& unit, const QStringList& fields)
{
    const AnalysisSeries::ValueFormats formats = AnalysisSeries::formats(decimals, unit);
    for (const QString& field : fields) {
        row.setEditFormat(field, formats.edit);
        row.setDisplayFormat(field, formats.display);
    }
}

void addRangeFields(EntryDialog& dialog, TDataModule1& dm)
{
    QLineEdit* unit = EntryFields::addPickListField(
        dialog, QStringLiteral("&Unité"), QStringLiteral("Ed_Unit"), kUnit, QStringLiteral("Btn_Unit"),
        QStringLiteral("Choisir l'unité"),
        {&dm.ComboItems, QStringLiteral("Analysis_Unit"), QStringLiteral("Unités")});
    unit->setReadOnly(true);
    unit->setToolTip(QStringLiteral("Double-cliquer pour enrichir"));
    QLineEdit* decimals = EntryFields::addPickListField(
        dialog, QStringLiteral("&Décimal"), QStringLiteral("Ed_Decimal"), kDecimal,
        QStringLiteral("Btn_Decimal"), QStringLiteral("Choisir le nombre de décimales"),
        {nullptr,
         {},
         {},
         {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}});
    decimals->setReadOnly(true);
    decimals->setMaximumWidth(60);
    dialog.addLineField(QStringLiteral("Valeur m&inimale"), QStringLiteral("Ed_Min"), kRange.at(0));
    dialog.addLineField(QStringLiteral("Valeur m&aximale"), QStringLiteral("Ed_Max"), kRange.at(1));

    Dataset& row = dialog.row();
    row.setDisplayLabel(kRange.at(0), QStringLiteral("Valeur minimale"));
    row.setDisplayLabel(kRange.at(1), QStringLiteral("Valeur maximale"));
    const auto follow = [&row] { applyFormats(row, decimalsOf(row), row.field(kUnit).asString(), kRange); };
    follow();
    QObject::connect(&row, &Dataset::fieldChanged, &dialog, [&row, follow](int index) {
        if (index == row.fieldIndex(kUnit) || index == row.fieldIndex(kDecimal))
            follow();
    });
}

} // namespace ValueFields
