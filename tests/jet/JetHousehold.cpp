#include "JetHousehold.h"

#include "JetDate.h"
#include "Money.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <stdexcept>

namespace JetHousehold {
namespace {

using S = Schema::ColumnType;
using J = JetWriter::Type;

void fail(const QString& what)
{
    throw std::runtime_error(what.toStdString());
}

void run(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(sql + QStringLiteral(" : ") + q.lastError().text());
}

std::vector<TableLayout> layoutOf(const QSqlDatabase& db)
{
    std::vector<TableLayout> layouts;
    QSqlQuery names(db);
    if (!names.exec(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                           "ORDER BY rowid")))
        fail(names.lastError().text());
    while (names.next()) {
        TableLayout t;
        t.name = names.value(0).toString();
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(t.name)))
            fail(info.lastError().text());
        while (info.next()) {
            const QString declared = info.value(2).toString();
            const std::optional<Schema::DeclaredType> type =
                Schema::typeFromDeclared(declared, info.value(5).toInt() > 0);
            if (!type)
                fail(QStringLiteral("type inconnu %1 dans %2").arg(declared, t.name));
            t.columns.push_back({info.value(1).toString(), accessType(type->type),
                                 type->type == S::Text ? type->size : 0, type->type == S::AutoIncrement});
            t.types.push_back(type->type);
        }
        layouts.push_back(t);
    }
    return layouts;
}

// A connection of its own on a file, read-only, removed with the object.
class Source
{
public:
    explicit Source(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            fail(db.lastError().text());
    }
    ~Source()
    {
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    QSqlDatabase db() const { return QSqlDatabase::database(kName, false); }

private:
    static inline const QString kName = QStringLiteral("jet-household-source");
};

} // namespace

// The template taken back to the last layout the Windows version had (3.51):
// without the search index, the documents' text and the person's sex, which
// came after it.
void toWindowsLayout(const QString& path)
{
    const QString name = QStringLiteral("jet-samples-layout");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            fail(db.lastError().text());
        QStringList drops;
        QSqlQuery later(db);
        later.exec(QStringLiteral("SELECT type, name FROM sqlite_master WHERE type IN ('trigger', 'view') "
                                  "ORDER BY type = 'view'"));
        while (later.next())
            drops << QStringLiteral("DROP %1 \"%2\"")
                         .arg(later.value(0).toString().toUpper(), later.value(1).toString());
        for (const QString& sql : drops)
            run(db, sql);
        run(db, QStringLiteral("DROP TABLE SEARCH_INDEX"));
        run(db, QStringLiteral("DROP TABLE SEARCH_PENDING"));
        run(db, QStringLiteral("DROP TABLE DOCUMENTTEXT"));
        run(db, QStringLiteral("ALTER TABLE PERSON DROP COLUMN Sex"));
        run(db, QStringLiteral("UPDATE OBJECT_VAL_STR SET VALUE = '3.51' WHERE ID_CLASS = -99"));
    }
    QSqlDatabase::removeDatabase(name);
}

std::vector<TableLayout> layout(const QString& sqliteFile)
{
    const Source source(sqliteFile);
    return layoutOf(source.db());
}

std::vector<QVariantList> rows(const QString& sqliteFile, const QString& table)
{
    const Source source(sqliteFile);
    std::vector<QVariantList> all;
    QSqlQuery q(source.db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)))
        fail(q.lastError().text());
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        all.push_back(row);
    }
    return all;
}

J accessType(S type)
{
    switch (type) {
    case S::AutoIncrement:
    case S::Long:
        return J::Long;
    case S::Short:
        return J::Integer;
    case S::Byte:
        return J::Byte;
    case S::Text:
        return J::Text;
    case S::Memo:
        return J::Memo;
    case S::Double:
        return J::Double;
    case S::Single:
        return J::Single;
    case S::Currency:
        return J::Currency;
    case S::YesNo:
        return J::Boolean;
    case S::DateTime:
        return J::DateTime;
    case S::Bytes:
        return J::Ole;
    }
    return J::Ole;
}

JetWriter::Value valueOf(const QVariant& value, S type)
{
    if (value.isNull())
        return type == S::YesNo ? JetWriter::Value(false) : JetWriter::null();
    switch (type) {
    case S::AutoIncrement:
    case S::Long:
    case S::Short:
    case S::Byte:
        return std::int64_t(value.toLongLong());
    case S::YesNo:
        return value.toLongLong() != 0;
    case S::Double:
    case S::Single:
        return value.toDouble();
    case S::Currency:
        return JetWriter::Money{Money::Amount::fromDouble(value.toDouble()).units()};
    case S::DateTime: {
        const QString text = value.toString();
        const QDate day = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid())
            fail(QStringLiteral("date illisible %1").arg(text));
        const QTime time =
            text.size() > 10 ? QTime::fromString(text.mid(11), QStringLiteral("hh:mm:ss")) : QTime(0, 0);
        return JetWriter::date(day, time.isValid() ? time.msecsSinceStartOfDay() / 1000 : 0);
    }
    case S::Bytes:
        return value.toByteArray();
    case S::Text:
    case S::Memo:
        return value.toString();
    }
    return JetWriter::null();
}

Writer::Writer(const QString& source, const QString& target, const JetWriter::Options& options)
    : m_file(target, options)
{
    const Source from(source);
    m_tables = layoutOf(from.db());
    for (const TableLayout& t : m_tables) {
        const int id = m_file.addTable(t.name, t.columns);
        m_ids.push_back(id);
        QSqlQuery rows(from.db());
        rows.setForwardOnly(true);
        if (!rows.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(t.name)))
            fail(rows.lastError().text());
        while (rows.next()) {
            std::vector<JetWriter::Value> values;
            for (std::size_t i = 0; i < t.types.size(); ++i)
                values.push_back(valueOf(rows.value(static_cast<int>(i)), t.types[i]));
            m_file.addRow(id, values);
        }
    }
}

const TableLayout& Writer::table(const QString& name) const
{
    for (const TableLayout& t : m_tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    throw std::runtime_error(("table absente : " + name).toStdString());
}

void Writer::addRow(const QString& table, const std::vector<JetWriter::Value>& values)
{
    const TableLayout& t = this->table(table);
    m_file.addRow(m_ids.at(static_cast<std::size_t>(&t - m_tables.data())), values);
}

void copy(const QString& source, const QString& target, const JetWriter::Options& options)
{
    Writer writer(source, target, options);
    writer.finish();
}

} // namespace JetHousehold
