#include "SearchIndex.h"

#include "Connection.h"
#include "Errors.h"
#include "TemplateDatabase.h"
#include "Transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace SearchIndex {

QStringList statements()
{
    return TemplateDatabase::splitScript(QString::fromUtf8(kDefinition));
}

namespace {

void run(QSqlQuery& query, const QString& statement)
{
    if (!query.exec(statement))
        throw DatabaseError(QStringLiteral("L'index de recherche n'a pas pu être créé :\r%1")
                                .arg(Connection::errorText(query.lastError())));
}

} // namespace

void remove(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    // Triggers and views first, since they name the tables.
    run(query, QStringLiteral("SELECT type, name FROM sqlite_master WHERE (type IN ('trigger', 'view') AND "
                              "name LIKE 'SEARCH\\_%' ESCAPE '\\') OR name = 'DOCUMENT_WITHOUT_TEXT' "
                              "ORDER BY type = 'view'"));
    QStringList drops;
    while (query.next())
        drops << QStringLiteral("DROP %1 \"%2\"")
                     .arg(query.value(0).toString().toUpper(), query.value(1).toString());
    drops << QStringLiteral("DROP TABLE IF EXISTS SEARCH_INDEX")
          << QStringLiteral("DROP TABLE IF EXISTS SEARCH_PENDING");
    for (const QString& drop : drops)
        run(query, drop);
}

void install(const QString& connectionName)
{
    Transaction transaction(connectionName);
    const QSqlDatabase db =
        connectionName.isEmpty() ? Connection::database() : QSqlDatabase::database(connectionName, false);
    remove(db);
    QSqlQuery query(db);
    for (const QString& statement : statements())
        run(query, statement);
    query.finish();
    transaction.commit();
}

void catchUp(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM SEARCH_PENDING)")) || !query.next())
        throw DatabaseError(QStringLiteral("L'index de recherche n'a pas pu être lu :\r%1")
                                .arg(Connection::errorText(query.lastError())));
    if (!query.value(0).toBool())
        return;
    query.finish();
    if (query.exec(QStringLiteral("INSERT INTO SEARCH_CATCH_UP (Go) VALUES (1)")))
        return;
    // A household on a write-protected disk, or one another program keeps
    // writing past the wait, is searched as its index stands: the notes stay
    // for the next search.
    const Connection::EngineCode code = Connection::engineCode(query.lastError());
    if (code == Connection::EngineCode::ReadOnly || code == Connection::EngineCode::Busy)
        return;
    throw DatabaseError(QStringLiteral("L'index de recherche n'a pas pu être mis à jour :\r%1")
                            .arg(Connection::errorText(query.lastError())));
}

bool isInstalled(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    query.addBindValue(tableName);
    return query.exec() && query.next();
}

} // namespace SearchIndex
