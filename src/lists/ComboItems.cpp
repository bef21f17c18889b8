#include "ComboItems.h"

#include "Connection.h"
#include "Errors.h"
#include "Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace ComboItems {
namespace {
const QString kTable = QStringLiteral("COMBOITEMS");

QString checkedColumn(const QString& column)
{
    const Schema::Column* c = Schema::findColumn(kTable, column);
    if (!c || c->type != Schema::ColumnType::Memo)
        throw DatabaseError(QStringLiteral("La liste \"%1\" n'existe pas.").arg(column));
    return c->name;
}

void exec(QSqlQuery& q)
{
    if (!q.exec())
        throw DatabaseError(q.lastError().text());
}
} // namespace

QString read(const QString& column)
{
    const QString name = checkedColumn(column);
    QSqlQuery q(Connection::database());
    q.prepare(QStringLiteral("SELECT [%1] FROM COMBOITEMS ORDER BY rowid LIMIT 1").arg(name));
    exec(q);
    return q.next() ? q.value(0).toString() : QString();
}

void store(const QString& column, const QString& text)
{
    const QString name = checkedColumn(column);
    QSqlQuery q(Connection::database());
    q.prepare(QStringLiteral("UPDATE COMBOITEMS SET [%1] = ? WHERE rowid = (SELECT min(rowid) FROM COMBOITEMS)").arg(name));
    q.addBindValue(text);
    exec(q);
    if (q.numRowsAffected() > 0)
        return;
    q.prepare(QStringLiteral("INSERT INTO COMBOITEMS (Id_File, [%1]) VALUES (0, ?)").arg(name));
    q.addBindValue(text);
    exec(q);
}
} // namespace ComboItems
