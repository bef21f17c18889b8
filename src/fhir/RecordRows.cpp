#include "RecordRows.h"

#include "Connection.h"
#include "Errors.h"
#include "FhirError.h"
#include "Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

bool Row::isNull(const QString& column) const
{
    const QVariant v = value(column);
    return !v.isValid() || v.isNull();
}

QString Row::text(const QString& column) const
{
    return isNull(column) ? QString() : value(column).toString();
}

int Row::integer(const QString& column) const
{
    return isNull(column) ? 0 : value(column).toInt();
}

std::optional<double> Row::number(const QString& column) const
{
    if (isNull(column))
        return std::nullopt;
    bool ok = false;
    const double d = value(column).toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

std::optional<Money::Amount> Row::amount(const QString& column) const
{
    const QVariant v = value(column);
    if (isNull(column))
        return std::nullopt;
    if (v.typeId() == QMetaType::QString)
        return Money::parse(v.toString());
    return Money::Amount::fromDouble(v.toDouble());
}

bool Row::flag(const QString& column) const
{
    return integer(column) != 0;
}

QByteArray Row::bytes(const QString& column) const
{
    return isNull(column) ? QByteArray() : value(column).toByteArray();
}

namespace RecordRows {

std::vector<Row> read(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw DatabaseError(Connection::errorText(q.lastError()));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw DatabaseError(Connection::errorText(q.lastError()));
    const QSqlRecord record = q.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i).toUpper();
    std::vector<Row> rows;
    while (q.next()) {
        Row row;
        row.values.reserve(names.size());
        for (int i = 0; i < names.size(); ++i)
            row.values.insert(names[i], q.value(i));
        rows.push_back(std::move(row));
    }
    return rows;
}

QHash<int, Row> byId(const QSqlDatabase& db, const QString& table)
{
    QHash<int, Row> rows;
    for (Row& row : read(db, QStringLiteral("SELECT * FROM [%1]").arg(table)))
        rows.insert(row.integer(QStringLiteral("Id")), row);
    return rows;
}

QString column(const QSqlDatabase& db, const QString& table, const QString& name)
{
    const QSqlRecord record = db.record(table);
    for (int i = 0; i < record.count(); ++i)
        if (record.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return record.fieldName(i);
    return {};
}

int Writer::insert(const QString& table, const QVariantMap& values)
{
    QStringList columns;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const Schema::Column* c = Schema::findColumn(table, it.key());
        const QVariant& v = it.value();
        if (c && (c->type == Schema::ColumnType::Text) && c->size > 0 && v.toString().size() > c->size)
            throw FhirError(QStringLiteral("le texte de « %1 » a %2 caractères, la base n'en garde que %3")
                                .arg(it.key())
                                .arg(v.toString().size())
                                .arg(c->size));
        if (c && c->type == Schema::ColumnType::Short && v.isValid() && !v.isNull() &&
            (v.toLongLong() < -32768 || v.toLongLong() > 32767))
            throw FhirError(
                QStringLiteral("le nombre %1 ne tient pas dans « %2 »").arg(v.toLongLong()).arg(it.key()));
        columns << it.key();
    }
    const QString key = table + QLatin1Char(':') + columns.join(QLatin1Char(','));
    auto statement = m_statements.find(key);
    if (statement == m_statements.end()) {
        QStringList names;
        for (const QString& c : columns)
            names << QLatin1Char('[') + c + QLatin1Char(']');
        QSqlQuery q(m_db);
        if (!q.prepare(QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                           .arg(table, names.join(QStringLiteral(", ")),
                                QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")))))
            throw DatabaseError(Connection::errorText(q.lastError()));
        statement = m_statements.insert(key, q);
    }
    QSqlQuery& q = *statement;
    int i = 0;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        q.bindValue(i++, it.value());
    if (!q.exec())
        throw DatabaseError(Connection::errorText(q.lastError()));
    return q.lastInsertId().toInt();
}

} // namespace RecordRows
