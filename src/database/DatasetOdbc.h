#pragma once

#include "Schema.h"

#include <QVariant>

class QSqlDatabase;
class QSqlQuery;

// What a dataset adjusts on the ODBC route (QODBC with the SQLite ODBC
// driver) so that the rest of the program sees what the direct route gives.
namespace DatasetOdbc {

// Whether the connection goes through ODBC rather than straight to SQLite.
bool isOdbc(const QSqlDatabase& db);

// The ODBC driver types columns by their declared type: dates come as
// date-times, Yes/No and numbers as texts. This is the value SQLite itself
// gives for the column.
QVariant asSqliteGives(const QVariant& value, Schema::ColumnType type);

// The rowid of the row `insert` just added: QODBC does not tell it; SQLite
// does, on the same connection.
qint64 insertedRowid(const QSqlQuery& insert, const QSqlDatabase& db);

} // namespace DatasetOdbc
