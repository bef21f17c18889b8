#pragma once

#include "Money.h"

#include <optional>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <vector>

// The rows of a person's record as plain values, whatever case the
// database gives its column names, for the bundle's both ways.
struct Row
{
    QHash<QString, QVariant> values; // by upper-case column name

    QVariant value(const QString& column) const { return values.value(column.toUpper()); }
    bool isNull(const QString& column) const;
    QString text(const QString& column) const; // empty for NULL
    int integer(const QString& column) const;  // 0 for NULL
    std::optional<double> number(const QString& column) const;
    std::optional<Money::Amount> amount(const QString& column) const;
    bool flag(const QString& column) const;
    QByteArray bytes(const QString& column) const;
};

namespace RecordRows {
// Runs the statement with its bound values; throws DatabaseError.
std::vector<Row> read(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// The rows of a table by Id.
QHash<int, Row> byId(const QSqlDatabase& db, const QString& table);
// The column as the database names it, or empty when the table lacks it.
QString column(const QSqlDatabase& db, const QString& table, const QString& name);

// Inserts rows with bound values, one prepared statement per table and set
// of columns. A text longer than its column takes, or a number a Short
// column cannot hold, is refused (FhirError) before anything is written.
class Writer
{
public:
    explicit Writer(const QSqlDatabase& db) : m_db(db) {}
    int insert(const QString& table, const QVariantMap& values); // the new row's Id

private:
    QSqlDatabase m_db;
    QHash<QString, QSqlQuery> m_statements;
};
} // namespace RecordRows
