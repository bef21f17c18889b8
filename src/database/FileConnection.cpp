#include "FileConnection.h"

#include <atomic>

namespace {

std::atomic<int> s_count{0};

} // namespace

FileConnection::FileConnection(const QString& file, Access access, const QString& name)
    : m_name(name.isEmpty() ? QStringLiteral("brivoline-file-%1").arg(++s_count) : name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    db.setConnectOptions(access == Access::ReadOnly
                             ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                             : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    m_open = db.open();
    if (!m_open)
        m_failure = db.lastError();
}

FileConnection::~FileConnection()
{
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase FileConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
