#include "UpdateCatalog.h"

#include "Connection.h"
#include "Errors.h"

#include <QSqlError>
#include <QSqlQuery>

namespace UpdateCatalog {

QString tableName(const QSqlDatabase& db, const QString& name)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"));
    q.addBindValue(name);
    if (!q.exec())
        throw DatabaseError(errorText(q));
    return q.next() ? q.value(0).toString() : QString();
}

std::vector<Column> columns(const QSqlDatabase& db, const QString& table)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table))))
        throw DatabaseError(errorText(q));
    std::vector<Column> all;
    while (q.next())
        all.push_back({q.value(1).toString(), q.value(2).toString(), q.value(5).toInt() > 0});
    return all;
}

const Column* find(const std::vector<Column>& columns, const QString& name)
{
    for (const Column& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QString quoted(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString errorText(const QSqlQuery& query)
{
    return Connection::errorText(query.lastError());
}

} // namespace UpdateCatalog
