#include "CareQueries.h"

#include "Dataset.h"

namespace CareQueries {

int tagOf(ActKind kind)
{
    return kind == ActKind::Consultation ? 1 : 2;
}

std::optional<ActKind> kindOfTag(int tag)
{
    for (ActKind kind : {ActKind::Consultation, ActKind::Pharmacy})
        if (tagOf(kind) == tag)
            return kind;
    return std::nullopt;
}

QString kindCondition(ActKind kind)
{
    return QStringLiteral("Action.Tag=%1").arg(tagOf(kind));
}

QString actsOf(ActKind kind, int personId)
{
    return kindCondition(kind) + QStringLiteral(" AND Action.Id_Ref=%1").arg(personId);
}

QStringList actStatement(ActKind kind, bool withConvention)
{
    const bool consultation = kind == ActKind::Consultation;
    QString columns =
        QStringLiteral(
            "SELECT ACTION.Id, ACTION.Id_Ref, ACTION.Id_Org, %1, ACTION.Date_Action, ACTION.Time_Action, "
            "ACTION.Remark1, ACTION.Remark2, ACTION.Gravity, ACTION.Price, ACTION.Repayment, "
            "ACTION.Price_Repayment, "
            "ACTION.Date_Repayment, ACTION.Repayment_Comp, ACTION.Price_Repayment_Comp, "
            "ACTION.Date_Repayment_Comp, "
            "ACTION.Category, ACTION.Duration, ACTION.Repeat, %2")
            .arg(consultation ? QStringLiteral("ACTION.Id_Illness") : QStringLiteral("ACTION.Id_Drug"),
                 consultation ? QStringLiteral("LST_DOCTOR.Name, LST_DOCTOR.Category, "
                                               "LST_ILLNESS.Title, LST_ILLNESS.Gravity")
                              : QStringLiteral("LST_PHARMACY.Name, LST_PHARMACY.Category, "
                                               "LST_DRUG.Title, LST_DRUG.Category"));
    if (withConvention)
        columns += QStringLiteral(", LST_DOCTOR.Convention");
    const QString from =
        consultation
            ? QStringLiteral("FROM ([ACTION] LEFT JOIN LST_DOCTOR ON ACTION.Id_Org = LST_DOCTOR.Id) "
                             "LEFT JOIN LST_ILLNESS ON ACTION.Id_Illness = LST_ILLNESS.Id")
            : QStringLiteral("FROM ([ACTION] LEFT JOIN LST_PHARMACY ON ACTION.Id_Org = LST_PHARMACY.Id) "
                             "LEFT JOIN LST_DRUG ON ACTION.Id_Drug = LST_DRUG.Id");
    return {columns, from, QStringLiteral("WHERE ID_REF=-1"),
            QStringLiteral("ORDER BY DATE_ACTION, TIME_ACTION")};
}

QStringList vaccineStatement(bool forReminders)
{
    QString columns = QStringLiteral(
        "SELECT VACCINE.Id, VACCINE.Id_Ref, VACCINE.Id_Org, VACCINE.Id_Vaccine, VACCINE.Date_Vaccine, "
        "VACCINE.Time_Vaccine, VACCINE.Remark1, VACCINE.Repeat_Date, LST_DOCTOR.Name, LST_DOCTOR.Category, "
        "LST_VACCINE.Title, LST_VACCINE.Category");
    if (forReminders)
        columns += QStringLiteral(", VACCINE.Repeat_Exe");
    return {columns,
            QStringLiteral("FROM ([VACCINE] LEFT JOIN LST_DOCTOR ON VACCINE.Id_Org = LST_DOCTOR.Id) "
                           "LEFT JOIN LST_VACCINE ON VACCINE.Id_Vaccine = LST_VACCINE.Id"),
            QStringLiteral("WHERE ID_REF=-1"),
            forReminders ? QStringLiteral("ORDER BY DATE_VACCINE, TIME_VACCINE")
                         : QStringLiteral("ORDER BY VACCINE.Date_Vaccine")};
}

QString withDetail(const QString& name, const QString& detail)
{
    return detail.isEmpty() ? name : name + QStringLiteral(" (") + detail + QLatin1Char(')');
}

namespace {
// A calculated text made of a joined table's name column and its detail column.
void addNamed(Dataset& dataset, const QString& field, const QString& table, const QString& nameColumn,
              const QString& detailColumn)
{
    const QString name = table + QLatin1Char('.') + nameColumn;
    const QString detail = table + QLatin1Char('.') + detailColumn;
    dataset.addCalculatedField(field, Schema::ColumnType::Text, [name, detail](const Dataset& d) {
        return withDetail(d.field(name).asString(), d.field(detail).asString());
    });
}
} // namespace

namespace {
// An amount "read as text" is empty when it is missing: a number always has a text.
bool isBlank(const Field& amount)
{
    const QVariant v = amount.value();
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty());
}
} // namespace

Money::Amount noRepayment(const Dataset& acts)
{
    const Field price = acts.field(QStringLiteral("Price"));
    const Field secu = acts.field(QStringLiteral("Price_Repayment"));
    const Field comp = acts.field(QStringLiteral("Price_Repayment_Comp"));
    if (isBlank(price) || isBlank(secu) || isBlank(comp))
        return {};
    return price.asMoney() - (secu.asMoney() + comp.asMoney());
}

void addNoRepayment(Dataset& dataset)
{
    dataset.addCalculatedField(QStringLiteral("NoRepayment"), Schema::ColumnType::Double,
                               [](const Dataset& d) { return noRepayment(d).toDouble(); });
}

void addActTexts(Dataset& dataset, ActKind kind)
{
    if (kind == ActKind::Consultation) {
        addNamed(dataset, QStringLiteral("Doctor"), QStringLiteral("LST_DOCTOR"), QStringLiteral("Name"),
                 QStringLiteral("Category"));
        addNamed(dataset, QStringLiteral("Illness"), QStringLiteral("LST_ILLNESS"), QStringLiteral("Title"),
                 QStringLiteral("Gravity"));
    } else {
        addNamed(dataset, QStringLiteral("Pharmacy"), QStringLiteral("LST_PHARMACY"), QStringLiteral("Name"),
                 QStringLiteral("Category"));
        addNamed(dataset, QStringLiteral("Drug"), QStringLiteral("LST_DRUG"), QStringLiteral("Title"),
                 QStringLiteral("Category"));
    }
}

void addVaccineTexts(Dataset& dataset, bool withLast)
{
    addNamed(dataset, QStringLiteral("Vaccin"), QStringLiteral("LST_VACCINE"), QStringLiteral("Title"),
             QStringLiteral("Category"));
    addNamed(dataset, QStringLiteral("Doctor"), QStringLiteral("LST_DOCTOR"), QStringLiteral("Name"),
             QStringLiteral("Category"));
    if (withLast)
        dataset.addCalculatedField(QStringLiteral("Last"), Schema::ColumnType::Text, [](const Dataset& d) {
            return d.field(QStringLiteral("Date_Vaccine")).asString() + QStringLiteral(" - ") +
                   withDetail(d.field(QStringLiteral("LST_DOCTOR.Name")).asString(),
                              d.field(QStringLiteral("LST_DOCTOR.Category")).asString());
        });
}

} // namespace CareQueries
