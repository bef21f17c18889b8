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

void install(const QString& connectionName)
{
    Transaction transaction(connectionName);
    QSqlQuery query(connectionName.isEmpty() ? Connection::database()
                                             : QSqlDatabase::database(connectionName, false));
    for (const QString& statement : statements()) {
        if (!query.exec(statement))
            throw DatabaseError(QStringLiteral("L'index de recherche n'a pas pu être créé :\r%1")
                                    .arg(Connection::errorText(query.lastError())));
    }
    query.finish();
    transaction.commit();
}

bool isInstalled(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    query.addBindValue(tableName);
    return query.exec() && query.next();
}

} // namespace SearchIndex
