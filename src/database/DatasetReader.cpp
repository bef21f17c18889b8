#include "DatasetReader.h"

#include "Connection.h"
#include "DatasetOdbc.h"
#include "DatasetRows.h"
#include "DatasetValues.h"
#include "Errors.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <sqlite3.h>

using Type = Schema::ColumnType;

class DatasetReader::Route
{
public:
    virtual ~Route() = default;
    virtual void readInto(DatasetRows& rows, bool withRowid, const std::vector<Type>& types) = 0;
    std::vector<FetchedColumn> columns;
};

namespace {

// The connection's own SQLite handle; none on the ODBC route.
sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(handle.constData());
    return nullptr;
}

// The type of a column the schema does not know, as the QSQLITE driver
// types it: by its declared type, else by the storage class of its first
// value (none in an empty result).
Type valueTypeOf(const char* declared, int firstStorage)
{
    if (declared && *declared) {
        const QString name = QString::fromUtf8(declared).toLower();
        if (name == QLatin1String("integer") || name == QLatin1String("int"))
            return Type::Long;
        if (name == QLatin1String("double") || name == QLatin1String("float") ||
            name == QLatin1String("real") || name.startsWith(QLatin1String("numeric")))
            return Type::Double;
        if (name == QLatin1String("blob"))
            return Type::Bytes;
        return Type::Text;
    }
    switch (firstStorage) {
    case SQLITE_INTEGER:
        return Type::Long;
    case SQLITE_FLOAT:
        return Type::Double;
    case SQLITE_BLOB:
        return Type::Bytes;
    default:
        return Type::Text;
    }
}

QString unquoted(const char* name)
{
    return QString::fromUtf8(name).remove(QLatin1Char('"'));
}

struct Finalize
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// Straight through SQLite: every value copied once, in its stored type.
class DirectRoute : public DatasetReader::Route
{
public:
    DirectRoute(const QSqlDatabase& connection, sqlite3* db, const QString& sql)
        : m_connection(connection), m_db(db)
    {
        const QByteArray text = sql.toUtf8();
        const char* tail = nullptr;
        sqlite3_stmt* prepared = nullptr;
        const int result =
            sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &prepared, &tail);
        m_statement.reset(prepared);
        if (result != SQLITE_OK)
            fail(result);
        if (!m_statement || (tail && !QByteArray(tail).trimmed().isEmpty()))
            throw DatabaseError(Connection::errorText(
                QSqlError(QString(), QStringLiteral("Unable to execute multiple statements at a time"),
                          QSqlError::StatementError, QString::number(SQLITE_MISUSE))));
        m_step = sqlite3_step(m_statement.get());
        if (m_step != SQLITE_ROW && m_step != SQLITE_DONE)
            fail(m_step);
        sqlite3_stmt* const statement = m_statement.get();
        const int count = sqlite3_column_count(statement);
        columns.reserve(count);
        for (int i = 0; i < count; ++i) {
            const char* table = sqlite3_column_table_name(statement, i);
            columns.push_back({unquoted(sqlite3_column_name(statement, i)),
                               table ? unquoted(table) : QString(),
                               valueTypeOf(sqlite3_column_decltype(statement, i),
                                           m_step == SQLITE_ROW ? sqlite3_column_type(statement, i) : -1)});
        }
    }
    void readInto(DatasetRows& rows, bool withRowid, const std::vector<Type>&) override
    {
        sqlite3_stmt* const statement = m_statement.get();
        const int first = withRowid ? 1 : 0;
        const int count = static_cast<int>(columns.size());
        for (; m_step == SQLITE_ROW; m_step = sqlite3_step(statement)) {
            rows.beginRow(withRowid ? sqlite3_column_int64(statement, 0) : 0);
            for (int i = first; i < count; ++i) {
                switch (sqlite3_column_type(statement, i)) {
                case SQLITE_INTEGER:
                    rows.addInteger(sqlite3_column_int64(statement, i));
                    break;
                case SQLITE_FLOAT:
                    rows.addReal(sqlite3_column_double(statement, i));
                    break;
                case SQLITE_NULL:
                    rows.addNull();
                    break;
                case SQLITE_BLOB: {
                    const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, i));
                    rows.addBlob(data, sqlite3_column_bytes(statement, i));
                    break;
                }
                default: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                    rows.addText(text, sqlite3_column_bytes(statement, i));
                    break;
                }
                }
            }
        }
        if (m_step != SQLITE_DONE)
            fail(m_step);
    }

private:
    [[noreturn]] void fail(int code) const
    {
        Connection::throwError(m_connection, QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(m_db)),
                                                       QSqlError::StatementError, QString::number(code)));
    }

    QSqlDatabase m_connection;
    sqlite3* m_db;
    std::unique_ptr<sqlite3_stmt, Finalize> m_statement;
    int m_step = SQLITE_DONE;
};

// Through the Qt driver, on the ODBC route: values adjusted to SQLite's.
class DriverRoute : public DatasetReader::Route
{
public:
    DriverRoute(const QSqlDatabase& db, const QString& statement)
        : m_connection(db), m_query(db), m_adjust(DatasetOdbc::isOdbc(db))
    {
        m_query.setForwardOnly(true);
        if (!m_query.exec(statement))
            Connection::throwError(db, m_query.lastError());
        const QSqlRecord record = m_query.record();
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField f = record.field(i);
            // Some ODBC drivers leave bytes after the table name's end.
            const QString reported = f.tableName();
            columns.push_back({f.name(), reported.left(reported.indexOf(QChar(0))),
                               DatasetValues::typeOfValue(f.metaType())});
        }
    }

    void readInto(DatasetRows& rows, bool withRowid, const std::vector<Type>& types) override
    {
        const int first = withRowid ? 1 : 0;
        const int count = static_cast<int>(columns.size());
        while (m_query.next()) {
            rows.beginRow(withRowid ? m_query.value(0).toLongLong() : 0);
            for (int i = first; i < count; ++i)
                rows.addVariant(m_adjust ? DatasetOdbc::asSqliteGives(m_query.value(i), types[i - first])
                                         : m_query.value(i));
        }
        // next() also ends on a failure (a damaged page).
        if (m_query.lastError().isValid())
            Connection::throwError(m_connection, m_query.lastError());
    }

private:
    QSqlDatabase m_connection;
    QSqlQuery m_query;
    bool m_adjust;
};

} // namespace

DatasetReader::DatasetReader(const QSqlDatabase& db, const QString& statement)
{
    if (sqlite3* handle = sqliteHandle(db))
        m_route = std::make_unique<DirectRoute>(db, handle, statement);
    else
        m_route = std::make_unique<DriverRoute>(db, statement);
}

DatasetReader::~DatasetReader() = default;

const std::vector<FetchedColumn>& DatasetReader::columns() const
{
    return m_route->columns;
}

void DatasetReader::readInto(DatasetRows& rows, bool withRowid, const std::vector<Type>& types)
{
    m_route->readInto(rows, withRowid, types);
}
