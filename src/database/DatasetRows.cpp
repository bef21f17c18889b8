#include "DatasetRows.h"

#include <algorithm>

namespace {
// Beyond this, two integers can compare equal as the doubles locate compares.
constexpr qint64 kExactInDouble = qint64(1) << 53;
} // namespace

void DatasetRows::reset(int columns, int calculated)
{
    m_columns = columns;
    m_calculatedCount = calculated;
    m_rows.clear();
    m_cells.clear();
    m_text.clear();
    m_blobs.clear();
    m_variants.clear();
    m_slots.clear();
    m_slotSet.clear();
    forgetIndex();
}

QVariant DatasetRows::value(int row, int column) const
{
    const Cell& c = cell(row, column);
    switch (c.kind) {
    case Cell::Null:
        // As the QSQLITE driver gives a NULL.
        return QVariant(QMetaType::fromType<QString>());
    case Cell::Integer:
        return QVariant(static_cast<qlonglong>(c.integer));
    case Cell::Real:
        return QVariant(c.real);
    case Cell::Text:
        return QString::fromUtf8(m_text.constData() + c.at, c.size);
    case Cell::Blob:
        return m_blobs[c.at];
    case Cell::Variant:
        return m_variants[c.at];
    }
    return {};
}

bool DatasetRows::isNull(int row, int column) const
{
    const Cell& c = cell(row, column);
    if (c.kind == Cell::Variant)
        return m_variants[c.at].isNull();
    return c.kind == Cell::Null;
}

void DatasetRows::beginRow(qint64 rowid)
{
    forgetIndex();
    m_rows.push_back({rowid, static_cast<qsizetype>(m_cells.size()), static_cast<qsizetype>(m_slots.size())});
    m_slots.resize(m_slots.size() + m_calculatedCount);
    m_slotSet.resize(m_slotSet.size() + m_calculatedCount);
}

void DatasetRows::addNull()
{
    add(Cell());
}

void DatasetRows::addInteger(qint64 value)
{
    Cell c;
    c.kind = Cell::Integer;
    c.integer = value;
    add(c);
}

void DatasetRows::addReal(double value)
{
    Cell c;
    c.kind = Cell::Real;
    c.real = value;
    add(c);
}

void DatasetRows::addText(const char* utf8, qsizetype size)
{
    Cell c;
    c.kind = Cell::Text;
    c.at = m_text.size();
    c.size = static_cast<quint32>(size);
    m_text.append(utf8, size);
    add(c);
}

void DatasetRows::addBlob(const char* data, qsizetype size)
{
    // As the QSQLITE driver gives a blob: an empty one is a null array.
    addBlob(QByteArray(data, size));
}

template <typename Value>
void DatasetRows::addStored(Cell::Kind kind, std::vector<Value>& store, const Value& value)
{
    Cell c;
    c.kind = kind;
    c.at = static_cast<qsizetype>(store.size());
    store.push_back(value);
    add(c);
}

void DatasetRows::addBlob(const QByteArray& blob)
{
    addStored(Cell::Blob, m_blobs, blob);
}

void DatasetRows::addVariant(const QVariant& value)
{
    addStored(Cell::Variant, m_variants, value);
}

const QVariant* DatasetRows::calculated(int row, int slot) const
{
    const qsizetype at = m_rows[row].firstSlot + slot;
    return m_slotSet[at] ? &m_slots[at] : nullptr;
}

void DatasetRows::setCalculated(int row, int slot, const QVariant& value) const
{
    const qsizetype at = m_rows[row].firstSlot + slot;
    m_slots[at] = value;
    m_slotSet[at] = true;
}

void DatasetRows::forgetCalculated(int row, int slot) const
{
    const qsizetype at = m_rows[row].firstSlot + slot;
    m_slots[at] = QVariant();
    m_slotSet[at] = false;
}

void DatasetRows::appendCopy(const DatasetRows& other, int row)
{
    beginRow(other.rowid(row));
    for (int column = 0; column < m_columns; ++column) {
        const Cell& c = other.cell(row, column);
        switch (c.kind) {
        case Cell::Text:
            addText(other.m_text.constData() + c.at, c.size);
            break;
        case Cell::Blob:
            addBlob(other.m_blobs[c.at]);
            break;
        case Cell::Variant:
            addVariant(other.m_variants[c.at]);
            break;
        default:
            add(c);
            break;
        }
    }
}

void DatasetRows::insertFrom(int at, const DatasetRows& other)
{
    appendCopy(other, 0);
    std::rotate(m_rows.begin() + at, m_rows.end() - 1, m_rows.end());
}

void DatasetRows::replaceFrom(int row, const DatasetRows& other)
{
    // A row written back usually keeps its Id: the index then still holds.
    const int indexed = m_indexedColumn;
    const bool sameKey = indexed >= 0 && cell(row, indexed).kind == Cell::Integer &&
                         other.cell(0, indexed).kind == Cell::Integer &&
                         cell(row, indexed).integer == other.cell(0, indexed).integer;
    appendCopy(other, 0);
    m_rows[row] = m_rows.back();
    m_rows.pop_back();
    if (sameKey)
        m_indexedColumn = indexed;
}

void DatasetRows::remove(int row)
{
    forgetIndex();
    m_rows.erase(m_rows.begin() + row);
}

void DatasetRows::buildIndex(int column) const
{
    m_indexedColumn = column;
    m_indexFaithful = true;
    m_firstRowOf.clear();
    m_firstRowOf.reserve(count());
    for (int row = 0; row < count(); ++row) {
        const Cell& c = cell(row, column);
        if (c.kind == Cell::Null)
            continue;
        if (c.kind != Cell::Integer || c.integer <= -kExactInDouble || c.integer >= kExactInDouble) {
            m_indexFaithful = false;
            m_firstRowOf.clear();
            return;
        }
        if (!m_firstRowOf.contains(c.integer)) // locate stops at the first row
            m_firstRowOf.insert(c.integer, row);
    }
}

std::optional<int> DatasetRows::findInteger(int column, qint64 value) const
{
    if (value <= -kExactInDouble || value >= kExactInDouble)
        return std::nullopt;
    if (m_indexedColumn != column)
        buildIndex(column);
    if (!m_indexFaithful)
        return std::nullopt;
    return m_firstRowOf.value(value, -1);
}
