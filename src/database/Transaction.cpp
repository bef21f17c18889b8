#include "Transaction.h"

#include "Connection.h"
#include "Errors.h"

#include <QHash>
#include <QSqlError>

namespace {
// Depth of the running transactions, by connection name ("" is the program's).
QHash<QString, int>& depths()
{
    static QHash<QString, int> byConnection;
    return byConnection;
}

QSqlDatabase databaseOf(const QString& connectionName)
{
    return connectionName.isEmpty() ? Connection::database() : QSqlDatabase::database(connectionName, false);
}
} // namespace

Transaction::Transaction(const QString& connectionName) : m_connectionName(connectionName)
{
    int& depth = depths()[m_connectionName];
    if (depth == 0) {
        QSqlDatabase db = databaseOf(m_connectionName);
        if (!db.transaction())
            throw DatabaseError(
                QStringLiteral("Impossible de commencer la modification de la base de données :\r%1")
                    .arg(Connection::errorText(db.lastError())));
        m_outermost = true;
    }
    ++depth;
}

Transaction::~Transaction()
{
    --depths()[m_connectionName];
    if (m_outermost && !m_done)
        databaseOf(m_connectionName).rollback();
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    if (!m_outermost)
        return;
    QSqlDatabase db = databaseOf(m_connectionName);
    if (!db.commit()) {
        const QString why = Connection::errorText(db.lastError());
        db.rollback();
        throw DatabaseError(
            QStringLiteral("Les modifications n'ont pas pu être enregistrées dans la base de données :\r%1")
                .arg(why));
    }
}

bool Transaction::isRunning(const QString& connectionName)
{
    return depths().value(connectionName) > 0;
}
