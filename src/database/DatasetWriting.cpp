#include "Connection.h"
#include "Dataset.h"
#include "DatasetOdbc.h"
#include "DatasetValues.h"
#include "Errors.h"

#include <algorithm>
#include <QSqlError>
#include <QSqlQuery>

// Writing a dataset's rows back: the edit buffer of a new or changed row
// checked value by value, then one INSERT or UPDATE with bound values, or a
// DELETE, through the table's rowid; the row written is read back from the
// table, so what the grid shows is what the table holds.

namespace {

QString bracketed(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

} // namespace

void Dataset::edit()
{
    checkActive();
    if (isEditing())
        return;
    if (m_table.isEmpty())
        throw DatabaseError(
            QStringLiteral("Les lignes de la requête « %1 » ne peuvent pas être modifiées.").arg(name()));
    if (m_rows.isEmpty()) {
        insert();
        return;
    }
    m_buffer.clear();
    for (int i = 0; i < fieldCount(); ++i)
        m_buffer.append(fetchedValue(m_current, i));
    m_assigned = QBitArray(fieldCount());
    m_modified = false;
    m_state = State::Edit;
    notify(&Dataset::stateChanged);
}

void Dataset::insert()
{
    checkBrowseMode();
    startInsert(m_current < 0 ? 0 : m_current);
}

void Dataset::append()
{
    checkBrowseMode();
    startInsert(recordCount());
}

void Dataset::startInsert(int at)
{
    if (m_table.isEmpty())
        throw DatabaseError(
            QStringLiteral("La requête « %1 » ne peut pas recevoir de nouvelles lignes.").arg(name()));
    m_previousCurrent = m_current;
    m_insertAt = at;
    m_buffer = QList<QVariant>(fieldCount());
    m_assigned = QBitArray(fieldCount());
    calculate(m_buffer);
    m_state = State::Insert;
    m_modified = false;
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
    if (!m_onNewRecord)
        return;
    try {
        m_onNewRecord(*this);
    } catch (...) {
        cancel();
        throw;
    }
    // The defaults of a new row are not a change of the user's.
    if (m_state == State::Insert)
        m_modified = false;
}

void Dataset::post()
{
    checkActive();
    if (!isEditing())
        return;
    if (m_beforePost)
        m_beforePost(*this);

    // Every value is checked before anything is written: a refused value
    // leaves the row in edit with what was typed.
    QStringList columns;
    QList<QVariant> values;
    for (int i = 0; i < fieldCount(); ++i) {
        if (!m_assigned.testBit(i) || m_fields[i].column.isEmpty())
            continue;
        const qsizetype already = columns.indexOf(m_fields[i].column);
        const QVariant stored =
            DatasetValues::toStorage(m_buffer[i], m_fields[i].type, m_fields[i].size, label(i));
        if (already >= 0) {
            values[already] = stored;
        } else {
            columns << m_fields[i].column;
            values << stored;
        }
    }

    QSqlQuery query(connection());
    qint64 rowid = 0;
    if (m_state == State::Insert) {
        QStringList names;
        for (const QString& c : columns)
            names << bracketed(c);
        const QString statement =
            columns.isEmpty()
                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(bracketed(m_table))
                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(bracketed(m_table), names.join(QStringLiteral(", ")),
                           QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            Connection::throwError(connection(), query.lastError());
        rowid = DatasetOdbc::insertedRowid(query, connection());
    } else {
        rowid = m_rows.rowid(m_current);
        if (!columns.isEmpty()) {
            QStringList assignments;
            for (const QString& c : columns)
                assignments << bracketed(c) + QStringLiteral("=?");
            query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
                              .arg(bracketed(m_table), assignments.join(QStringLiteral(", "))));
            for (const QVariant& value : values)
                query.addBindValue(value);
            query.addBindValue(rowid);
            if (!query.exec())
                Connection::throwError(connection(), query.lastError());
        }
    }

    const DatasetRows row = refetch(rowid);
    const bool inserted = m_state == State::Insert;
    if (inserted) {
        m_current = std::clamp(m_insertAt, 0, recordCount());
        m_rows.insertFrom(m_current, row);
    } else {
        m_rows.replaceFrom(m_current, row);
    }
    m_state = State::Browse;
    m_modified = false;
    m_buffer.clear();
    m_bof = m_eof = false;
    if (inserted)
        notify(&Dataset::reset);
    else
        notify(&Dataset::rowUpdated, m_current);
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
    if (m_afterPost)
        m_afterPost(*this);
}

void Dataset::cancel()
{
    if (!isEditing())
        return;
    if (m_state == State::Insert)
        m_current = m_rows.isEmpty() ? -1 : std::clamp(m_previousCurrent, 0, recordCount() - 1);
    m_state = State::Browse;
    m_modified = false;
    m_buffer.clear();
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
}

void Dataset::remove()
{
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_table.isEmpty())
        throw DatabaseError(
            QStringLiteral("Les lignes de la requête « %1 » ne peuvent pas être supprimées.").arg(name()));
    if (m_rows.isEmpty())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'a aucune ligne à supprimer.").arg(name()));
    cancel();
    if (m_beforeDelete)
        m_beforeDelete(*this);

    QSqlQuery query(connection());
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(bracketed(m_table)));
    query.addBindValue(m_rows.rowid(m_current));
    if (!query.exec())
        Connection::throwError(connection(), query.lastError());

    m_rows.remove(m_current);
    m_current = std::min(m_current, recordCount() - 1);
    m_bof = m_rows.isEmpty();
    m_eof = m_rows.isEmpty();
    notify(&Dataset::reset);
    notify(&Dataset::currentChanged);
    afterScroll();
    if (m_afterDelete)
        m_afterDelete(*this);
}
