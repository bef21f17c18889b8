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
    // Run every few seconds over the whole household: the Ids are walked in
    // the tables' small indexes ("+Id" keeps the engine from walking the rows
    // themselves, each with its thumbnail or icon), a file's name read only
    // for a file that waits, and only the waiting ones sorted.
    QSqlQuery query = run(
        QStringLiteral(
            "SELECT Kind, Id, Name FROM (SELECT 1 AS Kind, g.Id AS Id, '' AS Name FROM DOCUMENTIMG g "
            "WHERE +g.Id > ? AND NOT EXISTS (SELECT 1 FROM DOCUMENTTEXT t WHERE t.DoKind = 1 AND "
            "t.Id_Document = g.Id) UNION ALL SELECT 2, f.Id, (SELECT n.FileName FROM DOCUMENTFILE n WHERE "
            "n.Id = f.Id) FROM DOCUMENTFILE f WHERE +f.Id > ? AND NOT EXISTS (SELECT 1 FROM DOCUMENTTEXT t "
            "WHERE t.DoKind = 2 AND t.Id_Document = f.Id)) ORDER BY +Id DESC"),
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
