#pragma once

#include <QSqlDatabase>
#include <QString>
#include <vector>

class QSqlQuery;

// What the update reads of a database's structure. Names taken from a
// script reach a statement only once they are found here, and then in
// double quotes.
namespace UpdateCatalog {
struct Column
{
    QString name;
    QString declared;
    bool primaryKey = false;
};
// The table's name as the database spells it; empty when there is none.
QString tableName(const QSqlDatabase& db, const QString& name);
std::vector<Column> columns(const QSqlDatabase& db, const QString& table);
// The column of that name (without regard to case); nullptr when absent.
const Column* find(const std::vector<Column>& columns, const QString& name);
QString quoted(const QString& name);
// The database's own text of a failed statement.
QString errorText(const QSqlQuery& query);
} // namespace UpdateCatalog
