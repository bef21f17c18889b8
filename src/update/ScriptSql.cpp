#include "ScriptSql.h"

#include "Connection.h"
#include "JetDialect.h"
#include "UpdateScript.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <sqlite3.h>

ScriptSql::ScriptSql(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3* const*>(handle.constData());
    if (!m_handle)
        throw UpdateError(
            QStringLiteral("les scripts de mise à jour ne s'exécutent que sur une connexion SQLite directe "
                           "à la base de données."));
    sqlite3_set_authorizer(m_handle, &ScriptSql::authorize, this);
}

ScriptSql::~ScriptSql()
{
    sqlite3_set_authorizer(m_handle, nullptr, nullptr);
}

int ScriptSql::authorize(void* self, int action, const char*, const char* second, const char*, const char*)
{
    QString refused;
    if (action == SQLITE_ATTACH)
        refused =
            QStringLiteral("un script de mise à jour ne peut pas ouvrir une autre base de données (ATTACH)");
    else if (action == SQLITE_DETACH)
        refused =
            QStringLiteral("un script de mise à jour ne peut pas détacher une base de données (DETACH)");
    else if (action == SQLITE_FUNCTION && second && qstricmp(second, "load_extension") == 0)
        refused = QStringLiteral("un script de mise à jour ne peut pas charger d'extension (load_extension)");
    if (refused.isEmpty())
        return SQLITE_OK;
    static_cast<ScriptSql*>(self)->m_refused = refused;
    return SQLITE_DENY;
}

QStringList ScriptSql::statements(const QString& text)
{
    QStringList found;
    qsizetype start = 0;
    for (qsizetype end = text.indexOf(QLatin1Char(';')); end >= 0;
         end = text.indexOf(QLatin1Char(';'), end + 1)) {
        const QString candidate = text.mid(start, end + 1 - start);
        if (sqlite3_complete(candidate.toUtf8().constData())) {
            found << candidate.chopped(1).trimmed();
            start = end + 1;
        }
    }
    found << text.mid(start).trimmed();
    found.removeAll(QString());
    return found;
}

void ScriptSql::run(const QString& text)
{
    for (const QString& statement : statements(text)) {
        const QByteArray sql = JetDialect::translate(statement).toUtf8();
        const char* next = sql.constData();
        const char* const end = next + sql.size();
        while (next < end) {
            m_refused.clear();
            sqlite3_stmt* prepared = nullptr;
            int rc = sqlite3_prepare_v2(m_handle, next, int(end - next), &prepared, &next);
            // A comment alone prepares to no statement. Rows are not expected: passed over.
            if (rc == SQLITE_OK && prepared)
                do
                    rc = sqlite3_step(prepared);
                while (rc == SQLITE_ROW);
            // A statement that failed after a refusal failed for it.
            const QString failure =
                rc == SQLITE_OK || rc == SQLITE_DONE ? QString()
                : !m_refused.isEmpty()
                    ? m_refused
                    : Connection::errorText(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(m_handle)),
                                                      QSqlError::StatementError,
                                                      QString::number(sqlite3_extended_errcode(m_handle))));
            sqlite3_finalize(prepared);
            if (!failure.isEmpty())
                throw AppError(failure);
        }
    }
}
