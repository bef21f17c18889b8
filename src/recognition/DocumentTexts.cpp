#include "DocumentTexts.h"

#include "Connection.h"
#include "Errors.h"
#include "Transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace DocumentTexts {
namespace {

QSqlQuery run(const QString& statement, const QVariantList& values = {})
{
    QSqlQuery query(Connection::database());
    query.setForwardOnly(true);
    query.prepare(statement);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw DatabaseError(Connection::errorText(query.lastError()));
    return query;
}

QString tableOf(Kind kind)
{
    return kind == Kind::Picture ? QStringLiteral("DOCUMENTIMG") : QStringLiteral("DOCUMENTFILE");
}

} // namespace

QList<Pending> pending(int pictureFloor, int fileFloor)
{
    QSqlQuery query =
        run(QStringLiteral(
                "SELECT 1, g.Id, '' FROM DOCUMENTIMG g WHERE g.Id > ? AND NOT EXISTS "
                "(SELECT 1 FROM DOCUMENTTEXT t WHERE t.DoKind = 1 AND t.Id_Document = g.Id) "
                "UNION ALL SELECT 2, f.Id, f.FileName FROM DOCUMENTFILE f WHERE f.Id > ? AND NOT EXISTS "
                "(SELECT 1 FROM DOCUMENTTEXT t WHERE t.DoKind = 2 AND t.Id_Document = f.Id) ORDER BY 2 DESC"),
            {pictureFloor, fileFloor});
    QList<Pending> found;
    while (query.next())
        found << Pending{static_cast<Kind>(query.value(0).toInt()), query.value(1).toInt(),
                         query.value(2).toString()};
    return found;
}

int latestId(Kind kind)
{
    QSqlQuery query = run(QStringLiteral("SELECT coalesce(max(Id), 0) FROM ") + tableOf(kind));
    return query.next() ? query.value(0).toInt() : 0;
}

bool store(Kind kind, int id, State state, const QString& content, const QString& note)
{
    Transaction transaction;
    const int k = static_cast<int>(kind);
    QSqlQuery query =
        run(QStringLiteral("INSERT INTO DOCUMENTTEXT (Id_Document, DoKind, Content, State, Note) "
                           "SELECT ?, ?, ?, ?, ? WHERE EXISTS (SELECT 1 FROM %1 WHERE Id = ?) "
                           "AND NOT EXISTS (SELECT 1 FROM DOCUMENTTEXT WHERE DoKind = ? AND "
                           "Id_Document = ?)")
                .arg(tableOf(kind)),
            {id, k, content, static_cast<int>(state), note.left(255), id, k, id});
    const bool stored = query.numRowsAffected() == 1;
    query.finish();
    transaction.commit();
    return stored;
}

} // namespace DocumentTexts
