#include "JetWriter.h"

#include "JetDate.h"
#include "JetHeader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <QFile>
#include <stdexcept>

namespace JetWriter {
namespace {

constexpr int kPage = JetHeader::kPageSize;
// Data and long-value pages: type, 1, free space, owner, 4 unknown bytes, row count.
constexpr int kDataHeader = 14;
constexpr int kMaxRowsPerPage = 255;
constexpr int kLargestRow = kPage - kDataHeader - 2;
constexpr int kChainPiece = kLargestRow - 4;
// Long values up to this many bytes stay in their row while it has room.
constexpr int kInlineLimit = 200;
constexpr int kLongValueHeader = 12;
constexpr quint32 kInRow = 0x80000000;
constexpr quint32 kOnePage = 0x40000000;
// Access compresses a memo of at most this many characters.
constexpr int kCompressedMemoLimit = 1024;
constexpr quint32 kMSysObjectsPage = 2;
constexpr int kBitsPerMapPage = (kPage - 4) * 8;

void put16(char* at, quint32 v)
{
    at[0] = static_cast<char>(v & 0xff);
    at[1] = static_cast<char>((v >> 8) & 0xff);
}
void put32(char* at, quint32 v)
{
    put16(at, v & 0xffff);
    put16(at + 2, v >> 16);
}
template <typename T> void putRaw(char* at, T v)
{
    std::memcpy(at, &v, sizeof v);
}
void append16(QByteArray& b, quint32 v)
{
    char two[2];
    put16(two, v);
    b.append(two, 2);
}

QByteArray ucs2(const QString& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

// Access's compressed form: 0xff 0xfe, then one byte a character below
// U+0100, a zero byte switching to two bytes a character and back.
QByteArray encodeText(const QString& s, bool compress)
{
    if (compress && !s.isEmpty()) {
        QByteArray out("\xff\xfe", 2);
        bool oneByte = true;
        bool possible = true;
        for (const QChar ch : s) {
            const char16_t u = ch.unicode();
            if (u != 0 && u < 0x100) {
                if (!oneByte)
                    out.append('\0');
                oneByte = true;
                out.append(static_cast<char>(u));
            } else if ((u & 0xff) == 0) {
                possible = false;
                break;
            } else {
                if (oneByte)
                    out.append('\0');
                oneByte = false;
                out.append(static_cast<char>(u & 0xff));
                out.append(static_cast<char>(u >> 8));
            }
        }
        if (possible && out.size() < 2 * s.size())
            return out;
    }
    return ucs2(s);
}

int fixedSize(Type t)
{
    switch (t) {
    case Type::Byte:
        return 1;
    case Type::Integer:
        return 2;
    case Type::Long:
    case Type::Single:
        return 4;
    case Type::Currency:
    case Type::Double:
    case Type::DateTime:
        return 8;
    case Type::Boolean:
        return 0; // kept in the null mask
    default:
        return -1;
    }
}

// A page of rows stored from its end towards its header.
struct RowPage
{
    QByteArray bytes = QByteArray(kPage, '\0');
    quint32 number = 0;
    int rows = 0;
    int top = kPage;

    RowPage(quint32 pageNumber, const char owner[4]) : number(pageNumber)
    {
        bytes[0] = 0x01;
        bytes[1] = 0x01;
        std::memcpy(bytes.data() + 4, owner, 4);
        update();
    }
    bool fits(int length) const
    {
        return rows < kMaxRowsPerPage && top - length >= kDataHeader + 2 * (rows + 1);
    }
    int add(const QByteArray& row)
    {
        top -= static_cast<int>(row.size());
        std::memcpy(bytes.data() + top, row.constData(), static_cast<std::size_t>(row.size()));
        put16(bytes.data() + kDataHeader + 2 * rows, static_cast<quint32>(top));
        ++rows;
        update();
        return rows - 1;
    }
    void update()
    {
        put16(bytes.data() + 2, static_cast<quint32>(top - kDataHeader - 2 * rows));
        put16(bytes.data() + 12, static_cast<quint32>(rows));
    }
};

struct ColumnLayout
{
    Column column;
    int fixedOffset = 0;
    int varIndex = 0;
};

struct TableState
{
    QString name;
    std::vector<ColumnLayout> columns;
    int fixedBytes = 0;
    int varCount = 0;
    quint32 definitionPage = 0;
    qint64 rows = 0;
    std::int64_t lastAutoNumber = 0;
    std::vector<quint32> pages;
    std::unique_ptr<RowPage> current;
    bool system = false;
    quint32 usageMap = 0;
    char owner[4] = {};
};

} // namespace

Value date(const QDate& day, int seconds)
{
    return Days{JetDate::toDays(day, seconds)};
}

struct File::Impl
{
    QFile out;
    Options options;
    quint32 nextPage = 3; // 0 header, 1 usage maps, 2 MSysObjects
    std::vector<TableState> tables;
    std::unique_ptr<RowPage> longValues;
    bool finished = false;

    void writePage(quint32 number, const QByteArray& bytes)
    {
        if (!out.seek(static_cast<qint64>(number) * kPage) || out.write(bytes) != kPage)
            throw std::runtime_error(("écriture impossible : " + out.errorString()).toStdString());
    }

    int addTable(const QString& name, std::vector<Column> columns, bool system, quint32 page)
    {
        TableState t;
        t.name = name;
        t.system = system;
        t.definitionPage = page;
        put32(t.owner, page);
        for (Column& c : columns) {
            ColumnLayout l{c, 0, 0};
            const int size = fixedSize(c.type);
            if (size >= 0) {
                l.fixedOffset = t.fixedBytes;
                t.fixedBytes += size;
            } else {
                l.varIndex = t.varCount++;
            }
            t.columns.push_back(l);
        }
        tables.push_back(std::move(t));
        return static_cast<int>(tables.size()) - 1;
    }

    // Where one long value of more than a row's worth goes: whole pages of
    // its own, each piece naming the next.
    quint32 writeChain(const QByteArray& data)
    {
        const int pieces = static_cast<int>((data.size() + kChainPiece - 1) / kChainPiece);
        const quint32 first = nextPage;
        nextPage += static_cast<quint32>(pieces);
        for (int i = 0; i < pieces; ++i) {
            RowPage page(first + static_cast<quint32>(i), "LVAL");
            QByteArray row(4, '\0');
            put32(row.data(), i + 1 < pieces ? (first + static_cast<quint32>(i) + 1) << 8 : 0);
            row.append(data.mid(static_cast<qsizetype>(i) * kChainPiece, kChainPiece));
            page.add(row);
            writePage(page.number, page.bytes);
        }
        return first << 8;
    }

    quint32 writeOnOnePage(const QByteArray& data)
    {
        if (longValues && !longValues->fits(static_cast<int>(data.size()))) {
            writePage(longValues->number, longValues->bytes);
            longValues.reset();
        }
        if (!longValues)
            longValues = std::make_unique<RowPage>(nextPage++, "LVAL");
        const int row = longValues->add(data);
        return longValues->number << 8 | static_cast<quint32>(row);
    }

    QByteArray longValueField(const QByteArray& data, bool inRow)
    {
        QByteArray field(kLongValueHeader, '\0');
        const auto length = static_cast<quint32>(data.size());
        if (inRow) {
            put32(field.data(), length | kInRow);
            return field + data;
        }
        if (data.size() <= kLargestRow) {
            put32(field.data(), length | kOnePage);
            put32(field.data() + 4, writeOnOnePage(data));
        } else {
            put32(field.data(), length);
            put32(field.data() + 4, writeChain(data));
        }
        return field;
    }

    QByteArray stored(const Column& c, const Value& v) const
    {
        if (c.type == Type::Ole)
            return std::get<QByteArray>(v);
        const QString& s = std::get<QString>(v);
        if (c.type == Type::Text && s.size() > c.size)
            throw std::runtime_error(("texte trop long pour " + c.name).toStdString());
        const bool compress =
            options.compressText && (c.type == Type::Text || s.size() <= kCompressedMemoLimit);
        return encodeText(s, compress);
    }

    QByteArray encodeRow(TableState& t, const std::vector<Value>& values)
    {
        if (values.size() != t.columns.size())
            throw std::runtime_error(("nombre de valeurs faux pour " + t.name).toStdString());
        const int n = static_cast<int>(t.columns.size());
        QByteArray fixed(t.fixedBytes, '\0');
        std::vector<QByteArray> vars(static_cast<std::size_t>(t.varCount));
        std::vector<std::pair<int, QByteArray>> longOnes;
        QByteArray nullMask((n + 7) / 8, '\0');
        int rowBytes = 2 + t.fixedBytes + 2 * t.varCount + 4 + static_cast<int>(nullMask.size());
        for (int i = 0; i < n; ++i) {
            const ColumnLayout& l = t.columns[static_cast<std::size_t>(i)];
            const Value& v = values[static_cast<std::size_t>(i)];
            const bool present = !std::holds_alternative<std::monostate>(v);
            const auto setBit = [&] {
                nullMask[i / 8] = static_cast<char>(nullMask[i / 8] | (1 << (i % 8)));
            };
            if (l.column.type == Type::Boolean) {
                if (present && std::get<bool>(v))
                    setBit();
                continue;
            }
            if (!present)
                continue;
            setBit();
            char* f = fixed.data() + l.fixedOffset;
            switch (l.column.type) {
            case Type::Byte:
                f[0] = static_cast<char>(std::get<std::int64_t>(v));
                break;
            case Type::Integer:
                put16(f, static_cast<quint32>(std::get<std::int64_t>(v)));
                break;
            case Type::Long:
                put32(f, static_cast<quint32>(std::get<std::int64_t>(v)));
                if (l.column.autoIncrement)
                    t.lastAutoNumber = std::max(t.lastAutoNumber, std::get<std::int64_t>(v));
                break;
            case Type::Currency:
                putRaw(f, std::get<Money>(v).units);
                break;
            case Type::Single:
                putRaw(f, static_cast<float>(std::get<double>(v)));
                break;
            case Type::Double:
                putRaw(f, std::get<double>(v));
                break;
            case Type::DateTime:
                putRaw(f, std::get<Days>(v).value);
                break;
            case Type::Text:
                vars[static_cast<std::size_t>(l.varIndex)] = stored(l.column, v);
                rowBytes += static_cast<int>(vars[static_cast<std::size_t>(l.varIndex)].size());
                break;
            default:
                longOnes.emplace_back(i, stored(l.column, v));
                rowBytes += kLongValueHeader;
                break;
            }
        }
        // Small long values stay in the row as long as it keeps within a page.
        for (auto& [i, data] : longOnes) {
            const bool inRow = data.size() <= kInlineLimit && rowBytes + data.size() <= kLargestRow;
            if (inRow)
                rowBytes += static_cast<int>(data.size());
            vars[static_cast<std::size_t>(t.columns[static_cast<std::size_t>(i)].varIndex)] =
                longValueField(data, inRow);
        }
        QByteArray row;
        row.reserve(rowBytes);
        append16(row, static_cast<quint32>(n));
        row.append(fixed);
        std::vector<quint32> offsets;
        for (const QByteArray& v : vars) {
            offsets.push_back(static_cast<quint32>(row.size()));
            row.append(v);
        }
        if (t.varCount > 0) {
            append16(row, static_cast<quint32>(row.size()));
            for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
                append16(row, *it);
            append16(row, static_cast<quint32>(t.varCount));
        }
        row.append(nullMask);
        if (row.size() > kLargestRow)
            throw std::runtime_error(("ligne trop longue pour " + t.name).toStdString());
        return row;
    }

    void addRow(TableState& t, const std::vector<Value>& values)
    {
        const QByteArray row = encodeRow(t, values);
        if (t.current && !t.current->fits(static_cast<int>(row.size()))) {
            writePage(t.current->number, t.current->bytes);
            t.current.reset();
        }
        if (!t.current) {
            t.current = std::make_unique<RowPage>(nextPage++, t.owner);
            t.pages.push_back(t.current->number);
        }
        t.current->add(row);
        ++t.rows;
    }

    // The table's usage map as a row: its pages as a bitmap from the first
    // one, or, past what one row can map, the second form naming map pages.
    QByteArray usageMap(const TableState& t)
    {
        const quint32 first = t.pages.empty() ? 0 : t.pages.front();
        const quint32 last = t.pages.empty() ? 0 : t.pages.back();
        const int bitmapBytes = static_cast<int>((last - first) / 8 + 1);
        if (!options.indirectUsageMaps && 5 + bitmapBytes <= kLargestRow) {
            QByteArray row(5 + bitmapBytes, '\0');
            put32(row.data() + 1, first);
            for (const quint32 p : t.pages)
                row[5 + (p - first) / 8] =
                    static_cast<char>(row[5 + (p - first) / 8] | (1 << ((p - first) % 8)));
            return row;
        }
        std::map<quint32, QByteArray> mapPages;
        for (const quint32 p : t.pages) {
            QByteArray& m = mapPages[p / kBitsPerMapPage];
            if (m.isEmpty()) {
                m = QByteArray(kPage, '\0');
                m[0] = 0x05;
                m[1] = 0x01;
            }
            const quint32 bit = p % kBitsPerMapPage;
            m[4 + bit / 8] = static_cast<char>(m[4 + bit / 8] | (1 << (bit % 8)));
        }
        const quint32 entries = mapPages.empty() ? 1 : mapPages.rbegin()->first + 1;
        QByteArray row(1 + 4 * static_cast<int>(entries), '\0');
        row[0] = 0x01;
        for (const auto& [entry, page] : mapPages) {
            const quint32 number = nextPage++;
            writePage(number, page);
            put32(row.data() + 1 + 4 * entry, number);
        }
        return row;
    }

    QByteArray definition(const TableState& t, quint32 freeMap) const
    {
        QByteArray p(kPage, '\0');
        char* b = p.data();
        b[0] = 0x02;
        b[1] = 0x01;
        put32(b + 16, static_cast<quint32>(t.rows));
        const bool counted = std::any_of(t.columns.begin(), t.columns.end(),
                                         [](const ColumnLayout& l) { return l.column.autoIncrement; });
        if (counted) {
            put32(b + 20, static_cast<quint32>(t.lastAutoNumber + 1));
            b[24] = 0x01;
        }
        b[40] = t.system ? 0x53 : 0x4e;
        const auto n = static_cast<quint32>(t.columns.size());
        put16(b + 41, n);
        put16(b + 43, static_cast<quint32>(t.varCount));
        put16(b + 45, n);
        put32(b + 55, t.usageMap);
        put32(b + 59, freeMap);
        int at = 63;
        for (quint32 i = 0; i < n; ++i) {
            const ColumnLayout& l = t.columns[i];
            const Type type = l.column.type;
            const bool fixed = fixedSize(type) >= 0;
            const bool textual = type == Type::Text || type == Type::Memo;
            char* c = b + at;
            c[0] = static_cast<char>(type);
            put16(c + 5, i);
            put16(c + 7, fixed ? 0 : static_cast<quint32>(l.varIndex));
            put16(c + 9, i);
            if (textual)
                put16(c + 11, 0x0409);
            c[15] = static_cast<char>((fixed ? 0x13 : 0x12) | (l.column.autoIncrement ? 0x04 : 0));
            c[16] = static_cast<char>(textual && options.compressText ? 0x01 : 0);
            put16(c + 21, static_cast<quint32>(l.fixedOffset));
            const int length = type == Type::Text ? 2 * l.column.size
                               : fixed            ? std::max(1, fixedSize(type))
                                                  : 0;
            put16(c + 23, static_cast<quint32>(length));
            at += 25;
        }
        for (const ColumnLayout& l : t.columns) {
            const QByteArray name = ucs2(l.column.name);
            if (at + 2 + name.size() > kPage)
                throw std::runtime_error(("définition trop longue pour " + t.name).toStdString());
            put16(b + at, static_cast<quint32>(name.size()));
            std::memcpy(b + at + 2, name.constData(), static_cast<std::size_t>(name.size()));
            at += 2 + static_cast<int>(name.size());
        }
        put16(b + 2, static_cast<quint32>(kPage - at));
        put32(b + 8, static_cast<quint32>(at - 8));
        return p;
    }

    QByteArray firstPage() const
    {
        QByteArray p(kPage, '\0');
        char* b = p.data();
        b[1] = 0x01;
        std::memcpy(b + 4, "Standard Jet DB", 15);
        put32(b + 0x14, 0x01);
        put16(b + 0x3c, 0x04e4);
        put32(b + 0x6e, 0x0409);
        putRaw(b + JetHeader::kCreationDateOffset, options.created);
        QByteArray password = ucs2(options.password.left(JetHeader::kPasswordLength / 2));
        password.resize(JetHeader::kPasswordLength, '\0');
        const QByteArray mask = JetHeader::passwordMask(p);
        for (int i = 0; i < JetHeader::kPasswordLength; ++i)
            b[JetHeader::kPasswordOffset + i] = static_cast<char>(password.at(i) ^ mask.at(i));
        JetHeader::toggleScrambling(p);
        return p;
    }

    void finish()
    {
        TableState& catalogue = tables.front();
        for (std::size_t i = 0; i < tables.size(); ++i) {
            const TableState& t = tables[i];
            addRow(catalogue, {std::int64_t(t.definitionPage), std::int64_t(0x0F000001), t.name,
                               std::int64_t(1), Days{options.created}, Days{options.created},
                               std::int64_t(t.system ? static_cast<qint32>(0x80000002) : 0), null()});
        }
        for (TableState& t : tables)
            if (t.current) {
                writePage(t.current->number, t.current->bytes);
                t.current.reset();
            }
        if (longValues) {
            writePage(longValues->number, longValues->bytes);
            longValues.reset();
        }
        // Page 1 and as many more as they need hold the usage maps.
        std::vector<RowPage> mapHolders;
        mapHolders.emplace_back(1, "\0\0\0\0");
        const auto place = [&](const QByteArray& row) {
            if (!mapHolders.back().fits(static_cast<int>(row.size())))
                mapHolders.emplace_back(nextPage++, "\0\0\0\0");
            const int r = mapHolders.back().add(row);
            return mapHolders.back().number << 8 | static_cast<quint32>(r);
        };
        const quint32 freeMap = place(QByteArray(6, '\0'));
        for (TableState& t : tables)
            t.usageMap = place(usageMap(t));
        for (const RowPage& holder : mapHolders)
            writePage(holder.number, holder.bytes);
        for (const TableState& t : tables)
            writePage(t.definitionPage, definition(t, freeMap));
        writePage(0, firstPage());
        out.close();
        finished = true;
    }
};

File::File(const QString& path, Options options) : d(std::make_unique<Impl>())
{
    d->options = std::move(options);
    d->out.setFileName(path);
    if (!d->out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(("création impossible : " + d->out.errorString()).toStdString());
    d->addTable(QStringLiteral("MSysObjects"),
                {{QStringLiteral("Id"), Type::Long},
                 {QStringLiteral("ParentId"), Type::Long},
                 {QStringLiteral("Name"), Type::Text, 255},
                 {QStringLiteral("Type"), Type::Integer},
                 {QStringLiteral("DateCreate"), Type::DateTime},
                 {QStringLiteral("DateUpdate"), Type::DateTime},
                 {QStringLiteral("Flags"), Type::Long},
                 {QStringLiteral("LvProp"), Type::Ole}},
                true, kMSysObjectsPage);
}

File::~File()
{
    if (!d->finished)
        d->out.remove();
}

int File::addTable(const QString& name, std::vector<Column> columns, std::int64_t nextAutoNumber)
{
    const int table = d->addTable(name, std::move(columns), false, d->nextPage++);
    d->tables.back().lastAutoNumber = std::max<std::int64_t>(0, nextAutoNumber - 1);
    return table;
}

void File::addRow(int table, const std::vector<Value>& values)
{
    d->addRow(d->tables.at(static_cast<std::size_t>(table)), values);
}

void File::finish()
{
    d->finish();
}

void writeJet3File(const QString& path)
{
    QByteArray bytes(2 * 2048, '\0');
    bytes[1] = 0x01;
    std::memcpy(bytes.data() + 4, "Standard Jet DB", 15);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        throw std::runtime_error("écriture impossible");
}

} // namespace JetWriter
