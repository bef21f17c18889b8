#include "Measurements.h"

#include "DatasetUtils.h"
#include "Errors.h"
#include "ProgramState.h"
#include "TDataModule1.h"

const MeasureKind& MeasureKind::weight()
{
    static const MeasureKind kind{1,
                                  QStringLiteral("Weight"),
                                  [](TDataModule1& dm) -> Dataset& { return dm.Weight; },
                                  QStringLiteral("Date_Weight"),
                                  QStringLiteral("Weight"),
                                  QStringLiteral("WeightMode"),
                                  QStringLiteral("BirthDay_Weight"),
                                  QStringLiteral("Evolution du poids"),
                                  QStringLiteral("  Gestion de la courbe de poids"),
                                  QStringLiteral("#######0.000 kg"),
                                  QStringLiteral("#######0.000"),
                                  {1, 1},
                                  {0, 1},
                                  GrowthReference::Indicator::Weight};
    return kind;
}

const MeasureKind& MeasureKind::size()
{
    static const MeasureKind kind{2,
                                  QStringLiteral("Size"),
                                  [](TDataModule1& dm) -> Dataset& { return dm.Size; },
                                  QStringLiteral("Date_Size"),
                                  QStringLiteral("Size"),
                                  QStringLiteral("SizeMode"),
                                  QStringLiteral("BirthDay_Size"),
                                  QStringLiteral("Evolution de la taille"),
                                  QStringLiteral("  Gestion de la courbe de taille"),
                                  QStringLiteral("#######0.00 cm"),
                                  QStringLiteral("#######0.00"),
                                  {0, 5},
                                  {0, 5},
                                  GrowthReference::Indicator::Height};
    return kind;
}

const MeasureKind& MeasureKind::of(int series)
{
    return series == 2 ? size() : weight();
}

namespace Measurements {

void open(TDataModule1& dm, const MeasureKind& kind, int personId, int keepId)
{
    Dataset& measures = kind.dataset(dm);
    measures.close();
    measures.setWhereLine(QStringLiteral("WHERE Id_Ref=%1").arg(personId));
    measures.open();
    if (keepId >= 0)
        measures.locateId(keepId);
}

QList<GrowthSeries::Measurement> read(const Dataset& measures, const MeasureKind& kind)
{
    QList<GrowthSeries::Measurement> list;
    if (!measures.isActive())
        return list;
    const int date = measures.fieldIndex(kind.dateField);
    const int value = measures.fieldIndex(kind.valueField);
    if (date < 0 || value < 0)
        throw DatabaseError(
            QStringLiteral("La requête « %1 » n'a pas les colonnes des mesures.").arg(measures.name()));
    list.reserve(measures.recordCount());
    for (int row = 0; row < measures.recordCount(); ++row) {
        const QDate day = measures.fieldAt(row, date).asDate();
        // A row whose date does not read has no place on a time axis.
        if (day.isValid())
            list.append({day, measures.fieldAt(row, value).asDouble()});
    }
    return list;
}

QList<GrowthSeries::Measurement> load(const MeasureKind& kind, int personId)
{
    Dataset measures;
    // Each table is named after its value column: WEIGHT.Weight, SIZE.Size.
    measures.setSql(QStringLiteral("SELECT %1, %2 FROM [%3] WHERE Id_Ref=%4 ORDER BY %1")
                        .arg(kind.dateField, kind.valueField, kind.valueField.toUpper())
                        .arg(personId));
    measures.open();
    return read(measures, kind);
}

Child child(const Dataset& person)
{
    if (!person.isActive() || person.isEmpty())
        return {};
    // A database not yet given the column counts as one that does not know the sex.
    const int sex = person.fieldIndex(QStringLiteral("Sex"));
    return {
        GrowthSeries::birthDate(person.field(QStringLiteral("BirthDay_Date")).asString()).value_or(QDate()),
        GrowthReference::sexFromCode(sex < 0 ? 0 : person.field(sex).asInteger())};
}

GrowthReference::ReferenceTables& references()
{
    return GrowthReference::shipped(program().folders.program);
}

GrowthSeries::Input input(const Dataset& person, QList<GrowthSeries::Measurement> values,
                          const QString& birthValue, GrowthReference::Indicator reference, int mode,
                          const GrowthSeries::Margins& margins)
{
    GrowthSeries::Input in;
    in.mode = mode;
    in.margins = margins;
    if (person.isActive() && !person.isEmpty())
        in.birthDate = person.field(QStringLiteral("BirthDay_Date")).asString();
    in.birthValue = birthValue;
    in.measurements = std::move(values);
    in.reference = reference;
    in.sex = child(person).sex;
    in.tables = &references();
    return in;
}

GrowthSeries::Input input(TDataModule1& dm, const MeasureKind& kind, int mode,
                          const GrowthSeries::Margins& margins)
{
    const Dataset& person = dm.Person;
    const bool hasPerson = person.isActive() && !person.isEmpty();
    return input(person, read(kind.dataset(dm), kind),
                 hasPerson ? person.field(kind.birthField).asString() : QString(), kind.reference, mode,
                 margins);
}

int storedMode(TDataModule1& dm, const MeasureKind& kind)
{
    const Dataset& person = dm.Person;
    if (!person.isActive() || person.isEmpty())
        return 0;
    return person.field(kind.modeField).asInteger();
}

void storeMode(Dataset& person, const QString& modeField, int mode)
{
    if (!person.isActive() || person.isEmpty())
        return;
    DatasetUtils::editIfNeeded(person);
    person.field(modeField).setAsInteger(mode);
    person.post();
}

} // namespace Measurements
