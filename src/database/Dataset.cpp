#include "Dataset.h"

#include "DatasetValues.h"
#include "Errors.h"

#include <QScopedValueRollback>

// What a dataset is made of: its statement, its fields (looked up by name,
// with their settings), the values of its rows and of the edit buffer, the
// calculated fields, and the change notifications. Reading the rows and
// moving among them is in DatasetFetch.cpp, writing them back in
// DatasetWriting.cpp, what the values mean in DatasetValues.

Dataset::Dataset(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

Dataset::~Dataset() = default;

void Dataset::setSql(const QStringList& lines)
{
    close();
    m_sql = lines;
}

void Dataset::setSql(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setSql(t.split(QLatin1Char('\n')));
}

void Dataset::setWhereLine(const QString& line)
{
    for (QString& l : m_sql) {
        if (l.toUpper().contains(QLatin1String("WHERE"))) {
            close();
            l = line;
            return;
        }
    }
    throw DatabaseError(QStringLiteral("La requête « %1 » n'a pas de ligne WHERE à remplacer.").arg(name()));
}

void Dataset::checkActive() const
{
    if (!isActive())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'est pas ouverte.").arg(name()));
}

void Dataset::disableControls()
{
    ++m_disabled;
}

void Dataset::enableControls()
{
    if (m_disabled == 0 || --m_disabled > 0)
        return;
    emit reset();
    emit stateChanged();
    emit currentChanged();
}

QStringList Dataset::fieldNames() const
{
    QStringList names;
    for (const FieldDef& f : m_fields)
        names << f.name;
    return names;
}

// Callers name fields the same way every time (calculations on every row);
// remembering each spelling saves upper-casing it again.
int Dataset::fieldIndex(const QString& name) const
{
    if (const auto known = m_spellings.constFind(name); known != m_spellings.constEnd())
        return known.value();
    const int index = m_fieldByName.value(name.toUpper(), -1);
    m_spellings.insert(name, index);
    return index;
}

Field Dataset::field(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index >= 0)
        return Field(this, index);
    if (!isActive())
        throw DatabaseError(
            QStringLiteral("La requête « %1 » est fermée : son champ « %2 » ne peut pas être lu.")
                .arg(this->name(), name));
    throw DatabaseError(
        QStringLiteral("Le champ « %1 » n'existe pas dans la requête « %2 ».").arg(name, this->name()));
}

void Dataset::addCalculatedField(const QString& name, Schema::ColumnType type, Calculation calculation)
{
    // Added again, as a window opened a second time does, it replaces the first.
    for (CalculatedField& field : m_calculations)
        if (field.name.compare(name, Qt::CaseInsensitive) == 0) {
            field = {name, type, std::move(calculation)};
            return;
        }
    m_calculations.push_back({name, type, std::move(calculation)});
}

void Dataset::changeSettings(const QString& fieldName, const std::function<void(FieldSettings&)>& change)
{
    change(m_settings[fieldName.toUpper()]);
    resolveSettings();
    // Widgets showing the field take its new format at once.
    if (isActive())
        if (const int index = fieldIndex(fieldName); index >= 0)
            notify(&Dataset::fieldChanged, index);
}

// Each field keeps its own copy of its settings, read on every row shown;
// a setting under "TABLE.Column" wins over one under the bare name.
void Dataset::resolveSettings()
{
    for (FieldDef& def : m_fields) {
        auto it =
            def.upperQualified.isEmpty() ? m_settings.constEnd() : m_settings.constFind(def.upperQualified);
        if (it == m_settings.constEnd())
            it = m_settings.constFind(def.upperBare);
        def.settings = it == m_settings.constEnd() ? FieldSettings() : it.value();
    }
}

void Dataset::setDisplayFormat(const QString& fieldName, const QString& format)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.displayFormat = format; });
}

void Dataset::setEditFormat(const QString& fieldName, const QString& format)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.editFormat = format; });
}

void Dataset::setEditMask(const QString& fieldName, const QString& mask)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.editMask = mask; });
}

void Dataset::setDisplayLabel(const QString& fieldName, const QString& label)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.displayLabel = label; });
}

QString Dataset::label(int index) const
{
    const FieldDef& def = definition(index);
    return def.settings.displayLabel.isEmpty() ? def.name : def.settings.displayLabel;
}

const Dataset::FieldDef& Dataset::definition(int index) const
{
    // A handle kept after its dataset closed must not read what is no longer there.
    if (index < 0 || index >= fieldCount())
        throw DatabaseError(
            QStringLiteral("Le champ n° %1 n'existe pas dans la requête « %2 ».").arg(index).arg(name()));
    return m_fields[index];
}

QVariant Dataset::valueAt(int index, int row) const
{
    definition(index);
    if (m_calculating.buffer)
        return (*m_calculating.buffer)[index];
    if (m_calculating.row >= 0)
        return fetchedValue(m_calculating.row, index);
    if (row >= 0)
        return row < recordCount() ? fetchedValue(row, index) : QVariant();
    if (isEditing())
        return m_buffer[index];
    return m_current >= 0 ? fetchedValue(m_current, index) : QVariant();
}

QVariant Dataset::fetchedValue(int row, int index) const
{
    return index < m_fetchedCount ? m_rows.value(row, index) : calculatedValue(row, index);
}

// A calculated field of a fetched row is computed when it is first read (the
// grid reads only the rows it shows), then kept with the row. While it is
// computed, it reads as empty to itself.
QVariant Dataset::calculatedValue(int row, int index) const
{
    const int slot = m_fields[index].calculation;
    if (const QVariant* known = m_rows.calculated(row, slot))
        return *known;
    m_rows.setCalculated(row, slot, QVariant());
    try {
        QScopedValueRollback<Calculating> scope(m_calculating, Calculating{row, nullptr});
        const QVariant value = m_calculations[slot].calculation(*this);
        m_rows.setCalculated(row, slot, value);
        return value;
    } catch (...) {
        m_rows.forgetCalculated(row, slot);
        throw;
    }
}

void Dataset::calculate(QList<QVariant>& values) const
{
    if (m_calculations.empty())
        return;
    QScopedValueRollback<Calculating> scope(m_calculating, Calculating{-1, &values});
    for (int i = m_fetchedCount; i < fieldCount(); ++i)
        values[i] = m_calculations[m_fields[i].calculation].calculation(*this);
}

void Dataset::setFieldValue(int index, const QVariant& value)
{
    const FieldDef& def = definition(index);
    if (!isEditing())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'est pas en modification.").arg(name()));
    if (def.calculation >= 0 || def.column.isEmpty())
        throw DatabaseError(QStringLiteral("Le champ « %1 » ne peut pas être modifié.").arg(def.name));
    m_buffer[index] = value;
    m_assigned.setBit(index);
    m_modified = true;
    const QList<QVariant> before = m_buffer;
    calculate(m_buffer);
    notify(&Dataset::fieldChanged, index);
    for (int i = m_fetchedCount; i < fieldCount(); ++i)
        if (before[i] != m_buffer[i])
            notify(&Dataset::fieldChanged, i);
}
