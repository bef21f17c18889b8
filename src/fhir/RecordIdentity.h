#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QUuid>

// Identifiers of the rows in bundles, the same at every export of the same
// records: name-based UUIDs (version 5) of "TABLE/Id" in a namespace of the
// household's own, drawn at random the first time and kept in the
// database (OBJECT_VAL_STR, beside the layout version), so two households
// never share identifiers and a backup restored keeps them.
namespace RecordIdentity {
QUuid databaseNamespace(const QSqlDatabase& db); // throws DatabaseError
} // namespace RecordIdentity

class Identities
{
public:
    explicit Identities(const QUuid& space) : m_space(space) {}
    QString id(const QString& table, int rowId, const QString& part = {}) const;
    QString fullUrl(const QString& table, int rowId, const QString& part = {}) const
    {
        return QStringLiteral("urn:uuid:") + id(table, rowId, part);
    }

private:
    QUuid m_space;
};
