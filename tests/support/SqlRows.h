#pragma once

#include "Connection.h"

#include <gtest/gtest.h>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

// Rows the tests arrange with plain SQL on the program's shared connection.
namespace SqlRows {

// Runs `sql` with `values` bound in order; the Id of the row it inserted.
inline QVariant exec(const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q(Connection::database());
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    EXPECT_TRUE(q.exec()) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    return q.lastInsertId();
}

inline int insert(const QString& sql, const QVariantList& values = {})
{
    return exec(sql, values).toInt();
}

} // namespace SqlRows
