#include "RecordIdentity.h"

#include "Connection.h"
#include "Errors.h"

#include <QSqlError>
#include <QSqlQuery>

namespace RecordIdentity {
namespace {
// The row of OBJECT_VAL_STR that holds the namespace; the layout version is
// the row of -99s.
constexpr int kClass = -98;
} // namespace

QUuid databaseNamespace(const QSqlDatabase& db)
{
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("SELECT VALUE FROM OBJECT_VAL_STR WHERE ID_CLASS=? AND ID_ATTRIBUTE=? AND USERID=?"));
    for (int i = 0; i < 3; ++i)
        q.addBindValue(kClass);
    if (!q.exec())
        throw DatabaseError(Connection::errorText(q.lastError()));
    if (q.next()) {
        const QUuid known(q.value(0).toString());
        if (!known.isNull())
            return known;
    }
    const QUuid made = QUuid::createUuid();
    QSqlQuery write(db);
    write.prepare(
        QStringLiteral("DELETE FROM OBJECT_VAL_STR WHERE ID_CLASS=? AND ID_ATTRIBUTE=? AND USERID=?"));
    for (int i = 0; i < 3; ++i)
        write.addBindValue(kClass);
    if (!write.exec())
        throw DatabaseError(Connection::errorText(write.lastError()));
    write.prepare(QStringLiteral(
        "INSERT INTO OBJECT_VAL_STR (ID_CLASS, ID_ATTRIBUTE, USERID, VALUE) VALUES (?, ?, ?, ?)"));
    for (int i = 0; i < 3; ++i)
        write.addBindValue(kClass);
    write.addBindValue(made.toString(QUuid::WithoutBraces));
    if (!write.exec())
        throw DatabaseError(Connection::errorText(write.lastError()));
    return made;
}

} // namespace RecordIdentity

QString Identities::id(const QString& table, int rowId, const QString& part) const
{
    QString name = table.toUpper() + QLatin1Char('/') + QString::number(rowId);
    if (!part.isEmpty())
        name += QLatin1Char('/') + part;
    return QUuid::createUuidV5(m_space, name).toString(QUuid::WithoutBraces);
}
