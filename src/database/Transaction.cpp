#include "Transaction.h"

#include "Connection.h"
#include "Errors.h"

#include <QSqlError>

namespace {
int g_depth = 0;
}

Transaction::Transaction()
{
    if (g_depth == 0) {
        QSqlDatabase db = Connection::database();
        if (!db.transaction())
            throw DatabaseError(QStringLiteral("Impossible de commencer la modification de la base de données :\r%1")
                                    .arg(Connection::errorText(db.lastError())));
        m_outermost = true;
    }
    ++g_depth;
}

Transaction::~Transaction()
{
    --g_depth;
    if (m_outermost && !m_done)
        Connection::database().rollback();
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    if (!m_outermost)
        return;
    QSqlDatabase db = Connection::database();
    if (!db.commit()) {
        const QString why = Connection::errorText(db.lastError());
        db.rollback();
        throw DatabaseError(
            QStringLiteral("Les modifications n'ont pas pu être enregistrées dans la base de données :\r%1").arg(why));
    }
}

bool Transaction::isRunning()
{
    return g_depth > 0;
}
