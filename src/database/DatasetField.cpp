#include "Dataset.h"
#include "DatasetValues.h"
#include "Errors.h"

// A Field reads and writes through its dataset: the value of a fetched row,
// of the row being edited, or of the row a calculation is computing.

Field::Field(const Dataset* dataset, int index, int row)
    : m_dataset(const_cast<Dataset*>(dataset)), m_index(index), m_row(row)
{
    if (index < 0 || index >= dataset->fieldCount())
        throw DatabaseError(QStringLiteral("Le champ n° %1 n'existe pas dans la requête « %2 ».")
                                .arg(index)
                                .arg(dataset->name()));
}

QString Field::name() const
{
    return m_dataset->definition(m_index).name;
}

QString Field::displayLabel() const
{
    return m_dataset->label(m_index);
}

Schema::ColumnType Field::type() const
{
    return m_dataset->definition(m_index).type;
}

int Field::size() const
{
    return m_dataset->definition(m_index).size;
}

bool Field::isCalculated() const
{
    return m_dataset->definition(m_index).calculation >= 0;
}

bool Field::isReadOnly() const
{
    return isCalculated() || m_dataset->definition(m_index).column.isEmpty();
}

QString Field::displayFormat() const
{
    return m_dataset->definition(m_index).settings.displayFormat;
}

QString Field::editFormat() const
{
    return m_dataset->definition(m_index).settings.editFormat;
}

QString Field::editMask() const
{
    const QString& mask = m_dataset->definition(m_index).settings.editMask;
    if (!mask.isEmpty())
        return mask;
    return type() == Schema::ColumnType::DateTime ? EditMasks::date : QString();
}

QVariant Field::value() const
{
    return m_dataset->valueAt(m_index, m_row);
}

bool Field::isNull() const
{
    return DatasetValues::isNull(value());
}

QString Field::asString() const
{
    return DatasetValues::text(value(), type());
}

int Field::asInteger() const
{
    return DatasetValues::integer(value());
}

double Field::asDouble() const
{
    return DatasetValues::number(value()).value_or(0);
}

Money::Amount Field::asMoney() const
{
    return DatasetValues::money(value());
}

QDate Field::asDate() const
{
    return DatasetValues::date(value());
}

bool Field::asBoolean() const
{
    return DatasetValues::boolean(value());
}

QByteArray Field::asBytes() const
{
    return DatasetValues::bytes(value(), type());
}

QString Field::displayText() const
{
    return DatasetValues::formatted(value(), type(), displayFormat());
}

QString Field::editText() const
{
    return DatasetValues::formatted(value(), type(), editFormat());
}

void Field::setValue(const QVariant& value) const
{
    m_dataset->setFieldValue(m_index, value);
}

void Field::setAsString(const QString& text) const
{
    setValue(text.isNull() ? QStringLiteral("") : text);
}

void Field::setAsInteger(int value) const
{
    setValue(static_cast<qlonglong>(value));
}

void Field::setAsDouble(double value) const
{
    setValue(value);
}

void Field::setAsDate(const QDate& value) const
{
    setValue(value.isValid() ? QVariant(value) : QVariant());
}

void Field::setAsBoolean(bool value) const
{
    setValue(value);
}

void Field::setAsBytes(const QByteArray& value) const
{
    // An empty picture is stored as empty contents, not as a missing value.
    setValue(value.isNull() ? QByteArray("", 0) : value);
}

void Field::clear() const
{
    setValue(QVariant());
}
