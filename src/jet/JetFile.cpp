#include "JetFile.h"

#include "FileUtils.h"
#include "JetHeader.h"
#include "LittleEndian.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mdbtools.h>
#include <QFile>
#include <QFileInfo>

namespace Jet {
namespace {

constexpr int kVersionOffset = 0x14;
constexpr unsigned char kJet3 = 0x00;
constexpr unsigned char kJet4 = 0x01;
// Jet 4 table definitions: their row count and the engine's next autonumber.
constexpr int kTableRowCountOffset = 16;
constexpr int kAutoNumberOffset = 20;
// Where the definition of the catalogue MSysObjects always is.
constexpr unsigned long kCataloguePage = 2;
constexpr int kRowCountOffset = 0x0c;
constexpr int kRowOffsetMask = 0x1fff;
constexpr int kOverflowOrDeletedRow = 0x4000;
// A long value's header in its row: length and kind, then where it continues.
constexpr int kLongValueHeader = MDB_MEMO_OVERHEAD;
constexpr quint32 kLongValueLengthMask = 0x3fffffff;

QString shown(const QString& path)
{
    return FileUtils::shownPath(path);
}

JetError damaged(const QString& path, const QString& reason)
{
    return JetError(
        QStringLiteral("La base de données \"%1\" est endommagée ou incomplète (%2) : elle ne peut pas "
                       "être reprise.")
            .arg(shown(path), reason));
}

Type typeOf(int mdbType, const QString& path, const QString& table)
{
    switch (mdbType) {
    case MDB_BOOL:
        return Type::Boolean;
    case MDB_BYTE:
        return Type::Byte;
    case MDB_INT:
        return Type::Integer;
    case MDB_LONGINT:
        return Type::Long;
    case MDB_MONEY:
        return Type::Currency;
    case MDB_FLOAT:
        return Type::Single;
    case MDB_DOUBLE:
        return Type::Double;
    case MDB_DATETIME:
        return Type::DateTime;
    case MDB_BINARY:
        return Type::Binary;
    case MDB_TEXT:
        return Type::Text;
    case MDB_OLE:
        return Type::Ole;
    case MDB_MEMO:
        return Type::Memo;
    case MDB_REPID:
        return Type::Guid;
    case MDB_NUMERIC:
        return Type::Numeric;
    default:
        throw damaged(
            path, QStringLiteral("colonne d'un type inconnu (%1) dans la table %2").arg(mdbType).arg(table));
    }
}

// The first page as stored, checked before libmdb sees the file, which
// takes any file for a database and has no word for passwords.
void checkFirstPage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw JetError(
            QStringLiteral("Le fichier \"%1\" ne peut pas être lu : %2.")
                .arg(shown(path), file.exists() ? file.errorString() : QStringLiteral("il n'existe pas")));
    const QByteArray page = file.read(JetHeader::kPageSize);
    if (!looksLikeJet(path))
        throw JetError(
            QStringLiteral("Le fichier \"%1\" n'est pas une base de données Access.").arg(shown(path)));
    const auto version =
        static_cast<unsigned char>(page.size() > kVersionOffset ? page.at(kVersionOffset) : 0xff);
    if (version == kJet3)
        throw JetError(
            QStringLiteral("Le fichier \"%1\" est une base de données Access 97 (Jet 3). Seules les bases "
                           "Access 2000 (Jet 4) de la version Windows peuvent être reprises.")
                .arg(shown(path)));
    if (version != kJet4)
        throw JetError(
            QStringLiteral("Le fichier \"%1\" est une base de données d'une version d'Access plus récente "
                           "(2007 ou au-delà). Seules les bases Access 2000 (Jet 4) de la version Windows "
                           "peuvent être reprises.")
                .arg(shown(path)));
    if (page.size() < JetHeader::kPageSize || file.size() % JetHeader::kPageSize != 0)
        throw damaged(path, QStringLiteral("le fichier est tronqué"));
    if (JetHeader::hasPassword(page))
        throw JetError(
            QStringLiteral("La base de données \"%1\" est protégée par un mot de passe, et le logiciel ne "
                           "peut pas ouvrir une base protégée. Enlevez d'abord son mot de passe avec "
                           "Microsoft Access, puis recommencez.")
                .arg(shown(path)));
}

} // namespace

int Table::columnIndex(const QString& column) const
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

struct File::Impl
{
    QString path;
    MdbHandle* mdb = nullptr;
    std::vector<MdbTableDef*> definitions;
    std::vector<Table> tables;
    std::array<MdbField, MDB_MAX_COLS> fields{};
    qint64 pageCount = 0;
    // Where libmdb copies a long value's pieces, one row of a page at most.
    mutable std::vector<char> piece;

    ~Impl()
    {
        for (MdbTableDef* t : definitions)
            mdb_free_tabledef(t);
        if (mdb)
            mdb_close(mdb);
    }

    MdbColumn* column(int table, int index) const
    {
        return static_cast<MdbColumn*>(g_ptr_array_index(definitions[table]->columns, index));
    }

    // A usage map of the second form names pages holding bitmaps; libmdb
    // stops the process when one lies beyond the file's end.
    void checkUsageMap(const MdbTableDef* t, const QString& name) const
    {
        if (t->map_sz < 1 || (t->usage_map[0] != 0 && t->usage_map[0] != 1))
            throw damaged(path, QStringLiteral("carte des pages de la table %1 illisible").arg(name));
        if (t->usage_map[0] == 1)
            for (std::size_t at = 1; at + 4 <= t->map_sz; at += 4)
                if (LittleEndian::get32(t->usage_map + at) >= pageCount)
                    throw damaged(path,
                                  QStringLiteral("carte des pages de la table %1 hors du fichier").arg(name));
    }

    void readTable(MdbCatalogEntry* entry)
    {
        const QString name = QString::fromUtf8(entry->object_name);
        MdbTableDef* t = mdb_read_table(entry);
        if (!t)
            throw damaged(path, QStringLiteral("définition de la table %1 illisible").arg(name));
        definitions.push_back(t);
        if (!mdb_read_columns(t) || t->num_cols > MDB_MAX_COLS)
            throw damaged(path, QStringLiteral("colonnes de la table %1 illisibles").arg(name));
        checkUsageMap(t, name);
        Table table;
        table.name = name;
        table.rowCount = t->num_rows;
        for (unsigned int i = 0; i < t->num_cols; ++i) {
            const MdbColumn* c = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
            Column col;
            col.name = QString::fromUtf8(c->name);
            col.type = typeOf(c->col_type, path, name);
            col.size = col.type == Type::Text ? c->col_size / 2 : 0;
            col.autoIncrement = c->is_long_auto != 0;
            table.columns.push_back(col);
        }
        if (mdb_read_pg(mdb, entry->table_pg) == JetHeader::kPageSize)
            table.nextAutoNumber = LittleEndian::get32(mdb->pg_buf + kAutoNumberOffset);
        tables.push_back(table);
    }

    // libmdb takes a row's offsets as they come: each value must lie within
    // its row before anything reads it.
    bool withinRow(const MdbTableDef* t, int rowStart, std::size_t length) const
    {
        const auto rowEnd = static_cast<qint64>(rowStart) + static_cast<qint64>(length);
        for (unsigned int i = 0; i < t->num_cols; ++i) {
            const MdbField& f = fields[i];
            if (f.is_null || !f.value)
                continue;
            if (f.siz < 0 || f.start < rowStart || f.start + static_cast<qint64>(f.siz) > rowEnd)
                return false;
        }
        return true;
    }

    // libmdb reads the catalogue as far as its pages go: every row its
    // definition counts must be there, or tables would go missing unsaid.
    void readCatalogue()
    {
        if (mdb_read_pg(mdb, kCataloguePage) != JetHeader::kPageSize || mdb->pg_buf[0] != MDB_PAGE_TABLE)
            throw damaged(path, QStringLiteral("catalogue des tables illisible"));
        const qint64 objects = LittleEndian::get32(mdb->pg_buf + kTableRowCountOffset);
        if (!mdb_read_catalog(mdb, MDB_ANY) || mdb->num_catalog != objects)
            throw damaged(path, QStringLiteral("catalogue des tables incomplet"));
        for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
                readTable(entry);
        }
    }

    // The value of a Memo or OLE column, gathered by libmdb from the row,
    // from one long-value page or from a chain of them.
    QByteArray longValue(int table, int index) const
    {
        const MdbField& f = fields[static_cast<std::size_t>(index)];
        const QString& tableName = tables[table].name;
        if (f.siz < kLongValueHeader)
            throw damaged(path, QStringLiteral("valeur longue coupée dans la table %1").arg(tableName));
        unsigned char header[kLongValueHeader];
        std::memcpy(header, f.value, kLongValueHeader);
        const qint64 length = LittleEndian::get32(header) & kLongValueLengthMask;
        MdbColumn* col = column(table, index);
        col->cur_value_start = f.start;
        col->cur_value_len = f.siz;
        piece.resize(std::max<std::size_t>(mdb->bind_size, 2 * JetHeader::kPageSize));
        col->bind_ptr = piece.data();
        QByteArray value;
        value.reserve(static_cast<qsizetype>(std::min<qint64>(length, 64 << 20)));
        std::size_t got = mdb_ole_read(mdb, col, header, piece.size());
        while (got > 0 && value.size() + static_cast<qint64>(got) <= length) {
            value.append(piece.data(), static_cast<qsizetype>(got));
            got = mdb_ole_read_next(mdb, col, header);
        }
        col->bind_ptr = nullptr;
        if (value.size() != length)
            throw damaged(path, QStringLiteral("valeur longue incomplète dans la colonne %1 de la table %2")
                                    .arg(tables[table].columns[index].name, tableName));
        return value;
    }

    QByteArray decoded(const char* bytes, std::size_t length) const
    {
        if (length == 0)
            return QByteArray("");
        // UTF-8 of UCS-2, compressed or not, takes at most three bytes per stored byte.
        QByteArray out(static_cast<qsizetype>(3 * length + 4), Qt::Uninitialized);
        const int n = mdb_unicode2ascii(mdb, bytes, length, out.data(), static_cast<std::size_t>(out.size()));
        out.truncate(std::max(0, n));
        return out;
    }
};

File::File(const QString& path) : d(std::make_unique<Impl>())
{
    d->path = path;
    checkFirstPage(path);
    d->pageCount = QFileInfo(path).size() / JetHeader::kPageSize;
    d->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        throw damaged(path, QStringLiteral("en-tête illisible"));
    d->readCatalogue();
}

File::~File() = default;

const QString& File::path() const
{
    return d->path;
}

const std::vector<Table>& File::tables() const
{
    return d->tables;
}

const Table* File::findTable(const QString& name) const
{
    for (const Table& t : d->tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

void File::readRows(const Table& table, const std::function<bool(const Row&)>& each) const
{
    const auto index = static_cast<int>(&table - d->tables.data());
    MdbTableDef* t = d->definitions.at(static_cast<std::size_t>(index));
    MdbHandle* mdb = d->mdb;
    mdb_rewind_table(t);
    qint64 read = 0;
    const Row row(*this, d->fields.data(), index);
    while (mdb_read_next_dpg(t)) {
        const int rows = mdb_get_int16(mdb->pg_buf, kRowCountOffset);
        for (int r = 0; r < rows; ++r) {
            int start = 0;
            size_t length = 0;
            if (mdb_find_row(mdb, r, &start, &length) != 0)
                throw damaged(d->path, QStringLiteral("ligne illisible dans la table %1").arg(table.name));
            if (start & kOverflowOrDeletedRow)
                continue;
            const int rowStart = start & kRowOffsetMask;
            if (mdb_crack_row(t, rowStart, length, d->fields.data()) < 0 ||
                !d->withinRow(t, rowStart, length))
                throw damaged(d->path, QStringLiteral("ligne illisible dans la table %1").arg(table.name));
            ++read;
            if (!each(row))
                return;
        }
    }
    if (read != table.rowCount)
        throw damaged(d->path, QStringLiteral("la table %1 devrait compter %2 lignes, %3 ont pu être lues")
                                   .arg(table.name)
                                   .arg(table.rowCount)
                                   .arg(read));
}

namespace {
template <typename T> T fixedValue(const MdbField& f)
{
    T value{};
    if (f.value && f.siz >= static_cast<int>(sizeof(T)))
        std::memcpy(&value, f.value, sizeof(T));
    return value;
}
} // namespace

bool Row::isNull(int column) const
{
    const MdbField& f = static_cast<const MdbField*>(m_fields)[column];
    // A Yes/No column keeps its value where the others keep their null flag.
    return m_file.d->tables[m_table].columns[column].type != Type::Boolean && f.is_null;
}

bool Row::boolean(int column) const
{
    return !static_cast<const MdbField*>(m_fields)[column].is_null;
}

qint64 Row::integer(int column) const
{
    const MdbField& f = static_cast<const MdbField*>(m_fields)[column];
    switch (m_file.d->tables[m_table].columns[column].type) {
    case Type::Byte:
        return fixedValue<std::uint8_t>(f);
    case Type::Integer:
        return fixedValue<std::int16_t>(f);
    case Type::Boolean:
        return boolean(column) ? 1 : 0;
    default:
        return fixedValue<std::int32_t>(f);
    }
}

double Row::real(int column) const
{
    const MdbField& f = static_cast<const MdbField*>(m_fields)[column];
    if (m_file.d->tables[m_table].columns[column].type != Type::Single)
        return fixedValue<double>(f);
    // 0.1 typed into a Single column is 0.1, not the float nearest to it.
    const float single = fixedValue<float>(f);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, single).ptr;
    double value = single;
    std::from_chars(text, end, value);
    return value;
}

Money::Amount Row::money(int column) const
{
    return Money::Amount::fromUnits(fixedValue<std::int64_t>(static_cast<const MdbField*>(m_fields)[column]));
}

double Row::days(int column) const
{
    return fixedValue<double>(static_cast<const MdbField*>(m_fields)[column]);
}

QByteArray Row::utf8(int column) const
{
    const MdbField& f = static_cast<const MdbField*>(m_fields)[column];
    const File::Impl& d = *m_file.d;
    MdbHandle* mdb = d.mdb;
    switch (d.tables[m_table].columns[column].type) {
    case Type::Memo: {
        const QByteArray stored = d.longValue(m_table, column);
        return d.decoded(stored.constData(), static_cast<std::size_t>(stored.size()));
    }
    case Type::Guid: {
        char* text = mdb_uuid_to_string(mdb->pg_buf, f.start);
        const QByteArray value(text);
        g_free(text);
        return value;
    }
    case Type::Numeric: {
        const MdbColumn* c = d.column(m_table, column);
        char* text = mdb_numeric_to_string(mdb, f.start, c->col_scale, c->col_prec);
        const QByteArray value(text);
        g_free(text);
        return value;
    }
    default:
        return d.decoded(static_cast<const char*>(f.value), static_cast<std::size_t>(std::max(0, f.siz)));
    }
}

QByteArray Row::bytes(int column) const
{
    const MdbField& f = static_cast<const MdbField*>(m_fields)[column];
    if (m_file.d->tables[m_table].columns[column].type == Type::Ole)
        return m_file.d->longValue(m_table, column);
    return QByteArray(static_cast<const char*>(f.value), std::max(0, f.siz));
}

bool looksLikeJet(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(kVersionOffset);
    return start.size() == kVersionOffset && start.at(0) == '\0' &&
           (start.mid(4, 15) == "Standard Jet DB" || start.mid(4, 15) == "Standard ACE DB");
}

} // namespace Jet
