#include "RowEditing.h"

#include "Dataset.h"
#include "DatasetUtils.h"

namespace RowEditing {
namespace {

// Runs the entry on a row already in insert or edit, then drops what it left pending.
bool runEntry(Dataset& row, const Entry& entry)
{
    try {
        const bool posted = entry && entry(row);
        if (row.isEditing())
            row.cancel();
        return posted;
    } catch (...) {
        if (row.isEditing())
            row.cancel();
        throw;
    }
}

} // namespace

bool add(Dataset& table, const std::function<void(Dataset& row)>& defaults, const Entry& entry)
{
    table.append();
    try {
        if (defaults)
            defaults(table);
    } catch (...) {
        table.cancel();
        throw;
    }
    return runEntry(table, entry);
}

bool change(Dataset& table, const Entry& entry)
{
    table.edit();
    return runEntry(table, entry);
}

ScopedRow::ScopedRow(Dataset& table, int id, const QString& idColumn)
    : ScopedRow(table, QStringLiteral("WHERE %1=%2").arg(idColumn).arg(id))
{
}

ScopedRow::ScopedRow(Dataset& table, const QString& whereLine) : m_table(table), m_design(table.sql())
{
    m_table.close();
    QStringList lines = m_design;
    const int at = DatasetUtils::lineOfKeyword(lines, QStringLiteral("WHERE"));
    if (at >= 0)
        lines[at] = whereLine;
    else
        lines.insert(DatasetUtils::lineOfKeyword(lines, QStringLiteral("FROM")) + 1, whereLine);
    m_table.setSql(lines);
    try {
        m_table.open();
    } catch (...) {
        m_table.setSql(m_design);
        throw;
    }
}

ScopedRow::~ScopedRow()
{
    if (m_table.isEditing())
        m_table.cancel();
    m_table.close();
    m_table.setSql(m_design);
}

bool ScopedRow::found() const
{
    return m_table.isActive() && !m_table.isEmpty();
}

} // namespace RowEditing
