#include "JetConversion.h"

#include "FileUtils.h"
#include "JetDate.h"
#include "Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>

namespace JetConversion {
namespace {

const QString kVersionTable = QStringLiteral("OBJECT_VAL_STR");
constexpr int kVersionKey = -99;
constexpr qint64 kRowsBetweenReports = 1024;

QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

Schema::Column schemaColumn(const Jet::Column& c)
{
    using J = Jet::Type;
    using S = Schema::ColumnType;
    switch (c.type) {
    case J::Boolean:
        return {c.name, S::YesNo, 0};
    case J::Byte:
        return {c.name, S::Byte, 0};
    case J::Integer:
        return {c.name, S::Short, 0};
    case J::Long:
        return {c.name, c.autoIncrement ? S::AutoIncrement : S::Long, 0};
    case J::Currency:
        return {c.name, S::Currency, 0};
    case J::Single:
        return {c.name, S::Single, 0};
    case J::Double:
        return {c.name, S::Double, 0};
    case J::DateTime:
        return {c.name, S::DateTime, 0};
    case J::Text:
        return {c.name, S::Text, c.size};
    case J::Memo:
        return {c.name, S::Memo, 0};
    case J::Guid:
        return {c.name, S::Text, 38};
    case J::Numeric:
        return {c.name, S::Text, 40};
    case J::Binary:
    case J::Ole:
        return {c.name, S::Bytes, 0};
    }
    return {c.name, S::Bytes, 0};
}

// The one connection of a conversion or a check, closed with the object.
class Database
{
public:
    Database(const QString& path, int flags)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr) != SQLITE_OK)
            fail(QStringLiteral("ouverture de \"%1\"").arg(FileUtils::shownPath(path)));
    }
    ~Database() { sqlite3_close_v2(m_db); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return m_db; }
    void exec(const QString& sql) const
    {
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sql.left(80));
    }
    [[noreturn]] void fail(const QString& what) const
    {
        throw AppError(
            QStringLiteral("La base de données convertie ne peut pas être écrite (%1) : %2.")
                .arg(what, QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "mémoire insuffisante")));
    }

private:
    sqlite3* m_db = nullptr;
};

class Statement
{
public:
    Statement(const Database& db, const QString& sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db.handle(), sql.toUtf8().constData(), -1, &m_statement, nullptr) != SQLITE_OK)
            db.fail(sql.left(80));
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* handle() const { return m_statement; }
    // Runs it once; true while it gives rows.
    bool step(const QString& what) const
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            m_db.fail(what);
        return false;
    }
    void reset() const
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

private:
    const Database& m_db;
    sqlite3_stmt* m_statement = nullptr;
};

void bindText(sqlite3_stmt* s, int at, const QByteArray& utf8)
{
    sqlite3_bind_text(s, at, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void bindValue(sqlite3_stmt* s, int at, const Jet::Row& row, int column, const Jet::Column& c,
               const Jet::Table& t, const QString& path)
{
    using J = Jet::Type;
    if (row.isNull(column)) {
        sqlite3_bind_null(s, at);
        return;
    }
    switch (c.type) {
    case J::Boolean:
        sqlite3_bind_int(s, at, row.boolean(column) ? 1 : 0);
        return;
    case J::Byte:
    case J::Integer:
    case J::Long:
        sqlite3_bind_int64(s, at, row.integer(column));
        return;
    case J::Currency:
        // As the program writes an amount: its exact decimal text.
        bindText(s, at, row.money(column).decimalText().toUtf8());
        return;
    case J::Single:
    case J::Double:
        sqlite3_bind_double(s, at, row.real(column));
        return;
    case J::DateTime: {
        const std::optional<JetDate::DateTime> date = JetDate::fromDays(row.days(column));
        if (!date)
            throw Jet::JetError(
                QStringLiteral("La base de données \"%1\" est endommagée ou incomplète (date "
                               "impossible dans la colonne %2 de la table %3) : elle ne peut pas "
                               "être reprise.")
                    .arg(FileUtils::shownPath(path), c.name, t.name));
        bindText(s, at, JetDate::isoText(*date).toUtf8());
        return;
    }
    case J::Text:
    case J::Memo:
    case J::Guid:
    case J::Numeric:
        bindText(s, at, row.utf8(column));
        return;
    case J::Binary:
    case J::Ole: {
        const QByteArray bytes = row.bytes(column);
        sqlite3_bind_blob64(s, at, bytes.constData(), static_cast<sqlite3_uint64>(bytes.size()),
                            SQLITE_TRANSIENT);
        return;
    }
    }
}

void createTable(const Database& db, const Jet::Table& table)
{
    QStringList definitions;
    for (const Jet::Column& c : table.columns)
        definitions << Schema::columnDefinition(schemaColumn(c));
    db.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                .arg(quoted(table.name), definitions.join(QStringLiteral(", "))));
}

// The template's indexes of a table it knows, those whose columns are all there.
void createIndexes(const Database& db, const Jet::Table& table)
{
    const Schema::Table* known = Schema::findTable(table.name);
    if (!known)
        return;
    for (const QStringList& index : known->indexes) {
        bool complete = true;
        for (const QString& column : index)
            complete = complete && table.columnIndex(column) >= 0;
        if (complete)
            db.exec(Schema::createIndexStatement(table.name, index));
    }
}

// An engine counter beyond the last row is kept, so that no number of a
// deleted row, which may still name a picture file, is given again.
void keepAutoNumber(const Database& db, const Jet::Table& table)
{
    for (const Jet::Column& c : table.columns) {
        if (!c.autoIncrement || table.nextAutoNumber <= 1)
            continue;
        Statement keep(db, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?"));
        sqlite3_bind_int64(keep.handle(), 1, table.nextAutoNumber - 1);
        bindText(keep.handle(), 2, table.name.toUtf8());
        keep.step(QStringLiteral("numérotation de %1").arg(table.name));
        Statement first(db,
                        QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT ?, ? WHERE NOT EXISTS "
                                       "(SELECT 1 FROM sqlite_sequence WHERE name = ?)"));
        bindText(first.handle(), 1, table.name.toUtf8());
        sqlite3_bind_int64(first.handle(), 2, table.nextAutoNumber - 1);
        bindText(first.handle(), 3, table.name.toUtf8());
        first.step(QStringLiteral("numérotation de %1").arg(table.name));
    }
}

void copyRows(const Jet::File& file, const Database& db, const Jet::Table& table, const Progress& progress)
{
    QStringList marks;
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        marks << QStringLiteral("?");
    Statement insert(
        db,
        QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quoted(table.name), marks.join(QLatin1Char(','))));
    sqlite3_stmt* s = insert.handle();
    qint64 done = 0;
    bool cancelled = progress && !progress(table.name, 0, table.rowCount);
    if (cancelled)
        throw Cancelled();
    const QString what = QStringLiteral("table %1").arg(table.name);
    file.readRows(table, [&](const Jet::Row& row) {
        for (std::size_t i = 0; i < table.columns.size(); ++i)
            bindValue(s, static_cast<int>(i) + 1, row, static_cast<int>(i), table.columns[i], table,
                      file.path());
        insert.step(what);
        insert.reset();
        ++done;
        if (progress && done % kRowsBetweenReports == 0)
            cancelled = !progress(table.name, done, table.rowCount);
        return !cancelled;
    });
    if (cancelled || (progress && !progress(table.name, done, table.rowCount)))
        throw Cancelled();
}

void removeDatabase(const QString& path)
{
    for (const QString& companion :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + companion);
}

} // namespace

QString layoutVersion(const Jet::File& file)
{
    const Jet::Table* table = file.findTable(kVersionTable);
    if (!table)
        return QStringLiteral("0");
    const int value = table->columnIndex(QStringLiteral("VALUE")) >= 0
                          ? table->columnIndex(QStringLiteral("VALUE"))
                          : table->columnIndex(QStringLiteral("VAL"));
    const int keys[] = {table->columnIndex(QStringLiteral("ID_CLASS")),
                        table->columnIndex(QStringLiteral("ID_ATTRIBUTE")),
                        table->columnIndex(QStringLiteral("USERID"))};
    if (value < 0 || keys[0] < 0 || keys[1] < 0 || keys[2] < 0)
        return QStringLiteral("0");
    QString version = QStringLiteral("0");
    file.readRows(*table, [&](const Jet::Row& row) {
        for (const int key : keys)
            if (row.isNull(key) || row.integer(key) != kVersionKey)
                return true;
        if (!row.isNull(value))
            version = row.text(value).left(255);
        return false;
    });
    return version;
}

bool isHousehold(const Jet::File& file)
{
    return file.findTable(QStringLiteral("PERSON")) && file.findTable(kVersionTable);
}

void convert(const Jet::File& file, const QString& target, const Progress& progress)
{
    if (QFileInfo::exists(target))
        throw AppError(QStringLiteral("Le fichier \"%1\" existe déjà : la conversion ne le remplace pas.")
                           .arg(FileUtils::shownPath(target)));
    try {
        {
            Database db(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            // A file of its own, thrown away on any failure: no journal needed.
            db.exec(QStringLiteral("PRAGMA journal_mode=OFF"));
            db.exec(QStringLiteral("PRAGMA synchronous=OFF"));
            db.exec(QStringLiteral("PRAGMA cache_size=-65536"));
            db.exec(QStringLiteral("BEGIN"));
            for (const Jet::Table& table : file.tables()) {
                createTable(db, table);
                copyRows(file, db, table, progress);
                keepAutoNumber(db, table);
                createIndexes(db, table);
            }
            db.exec(QStringLiteral("COMMIT"));
        }
        FileUtils::syncFile(target);
    } catch (...) {
        removeDatabase(target);
        throw;
    }
}

void check(const Jet::File& file, const QString& database)
{
    const Database db(database, SQLITE_OPEN_READONLY);
    // Every page is read once: mapped, it is not copied through a read call.
    db.exec(QStringLiteral("PRAGMA mmap_size=4294967296"));
    {
        const Statement integrity(db, QStringLiteral("PRAGMA integrity_check"));
        QStringList found;
        while (integrity.step(QStringLiteral("vérification")) && found.size() < 5)
            found << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(integrity.handle(), 0)));
        if (found != QStringList{QStringLiteral("ok")})
            throw AppError(QStringLiteral("La base de données convertie est endommagée :\r%1")
                               .arg(found.join(QLatin1Char('\r'))));
    }
    for (const Jet::Table& table : file.tables()) {
        const Statement count(db, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table.name)));
        const qint64 rows = count.step(table.name) ? sqlite3_column_int64(count.handle(), 0) : -1;
        if (rows != table.rowCount)
            throw AppError(
                QStringLiteral("La base de données convertie compte %1 lignes dans la table %2 au lieu "
                               "de %3.")
                    .arg(rows)
                    .arg(table.name)
                    .arg(table.rowCount));
    }
}

} // namespace JetConversion
