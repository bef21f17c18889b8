#include "Dataset.h"

#include "Connection.h"
#include "Errors.h"
#include "Formats.h"
#include "JetDialect.h"
#include "NumberFormat.h"
#include "SelectShape.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

using T = Schema::ColumnType;

bool isInteger(T t)
{
    return t == T::AutoIncrement || t == T::Long || t == T::Short || t == T::Byte;
}

bool isNumeric(T t)
{
    return isInteger(t) || t == T::Double || t == T::Single || t == T::Currency;
}

bool isNumberVariant(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isNullValue(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

QString errorText(const QSqlError& error)
{
    return Connection::errorText(error);
}

// QODBC does not tell the new row's rowid; SQLite does, on the same connection.
qint64 insertedRowid(const QSqlQuery& insert, const QSqlDatabase& db)
{
    if (db.driver()->hasFeature(QSqlDriver::LastInsertId))
        return insert.lastInsertId().toLongLong();
    QSqlQuery last(db);
    return last.exec(QStringLiteral("SELECT last_insert_rowid()")) && last.next() ? last.value(0).toLongLong()
                                                                                  : 0;
}

// The ODBC driver types columns by their declared type: dates come as
// date-times, Yes/No and numbers as texts. The rest of the program sees
// the values the direct route gives.
QVariant asSqliteGives(const QVariant& v, T type)
{
    if (isNullValue(v))
        return v;
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime().date().toString(Formats::isoDate);
    case QMetaType::QDate:
        return v.toDate().toString(Formats::isoDate);
    case QMetaType::QString: {
        bool ok = false;
        if (isInteger(type) || type == T::YesNo) {
            const qlonglong n = v.toString().toLongLong(&ok);
            return ok ? QVariant(n) : v;
        }
        if (isNumeric(type)) {
            const double d = v.toString().toDouble(&ok);
            return ok ? QVariant(d) : v;
        }
        return v;
    }
    case QMetaType::Int:
        return static_cast<qlonglong>(v.toInt());
    default:
        return v;
    }
}

QString bracketed(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

// Dates are stored as ISO text; the user types dd/mm/yyyy, where the date
// mask leaves blanks in the day and month positions not typed.
bool looksIso(const QString& t)
{
    return t.size() >= 10 && t.at(4) == QLatin1Char('-') && t.at(7) == QLatin1Char('-');
}

// "yyyy-mm-dd" read digit by digit: dates are read on every row shown.
QDate parseIso(const QString& t)
{
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            const QChar c = t.at(i);
            if (!c.isDigit())
                return {};
            parts[p] = parts[p] * 10 + c.digitValue();
        }
    return QDate(parts[0], parts[1], parts[2]);
}

QString shortDateText(const QDate& d)
{
    if (!d.isValid() || d.year() < 1000 || d.year() > 9999)
        return d.toString(Formats::shortDate);
    const char16_t text[10] = {char16_t(u'0' + d.day() / 10),
                               char16_t(u'0' + d.day() % 10),
                               u'/',
                               char16_t(u'0' + d.month() / 10),
                               char16_t(u'0' + d.month() % 10),
                               u'/',
                               char16_t(u'0' + d.year() / 1000),
                               char16_t(u'0' + d.year() / 100 % 10),
                               char16_t(u'0' + d.year() / 10 % 10),
                               char16_t(u'0' + d.year() % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

QDate parseDate(const QString& text)
{
    if (looksIso(text))
        return parseIso(text);
    const QString t = text.trimmed();
    if (looksIso(t))
        return parseIso(t);
    static const QRegularExpression typed(QStringLiteral("^(\\d{1,2})\\s*/\\s*(\\d{1,2})\\s*/\\s*(\\d{4})$"));
    const QRegularExpressionMatch m = typed.match(t);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

bool isBlankDate(const QString& t)
{
    for (const QChar c : t)
        if (!c.isSpace() && c != QLatin1Char('/') && c != QLatin1Char('_'))
            return false;
    return true;
}

// A beginning of "Oui" or "Non" is enough, as a typed Yes/No field takes it.
std::optional<bool> parseBoolean(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    if ((!t.isEmpty() && QStringLiteral("OUI").startsWith(t)) || t == QLatin1String("VRAI") ||
        t == QLatin1String("TRUE") || t == QLatin1String("1") || t == QLatin1String("-1"))
        return true;
    if (t.isEmpty() || QStringLiteral("NON").startsWith(t) || t == QLatin1String("FAUX") ||
        t == QLatin1String("FALSE") || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("Oui") : QStringLiteral("Non");
}

T typeOfValue(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return T::Long;
    case QMetaType::Double:
        return T::Double;
    case QMetaType::QByteArray:
        return T::Bytes;
    default:
        return T::Text;
    }
}

std::pair<qint64, qint64> rangeOf(T type)
{
    switch (type) {
    case T::Short:
        return {std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()};
    case T::Byte:
        return {0, 255};
    default:
        return {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
    }
}

QString readString(const QVariant& v, T type)
{
    if (isNullValue(v))
        return {};
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString s = v.toString();
        if (type == T::DateTime && looksIso(s)) {
            const QDate d = parseIso(s);
            if (d.isValid())
                return shortDateText(d);
        }
        return s;
    }
    case QMetaType::QDate:
        return shortDateText(v.toDate());
    case QMetaType::QDateTime:
        return shortDateText(v.toDateTime().date());
    case QMetaType::Bool:
        return yesNo(v.toBool());
    case QMetaType::Double:
    case QMetaType::Float:
        return type == T::YesNo ? yesNo(v.toDouble() != 0) : NumberFormat::plain(v.toDouble());
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return type == T::YesNo ? yesNo(v.toLongLong() != 0) : v.toString();
    }
}

std::optional<double> readDouble(const QVariant& v)
{
    if (isNullValue(v))
        return std::nullopt;
    if (isNumberVariant(v))
        return v.toDouble();
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1.0 : 0.0;
    if (v.typeId() == QMetaType::QString)
        return NumberFormat::parseDecimal(v.toString());
    return std::nullopt;
}

QDate readDate(const QVariant& v)
{
    if (isNullValue(v))
        return {};
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QString)
        return parseDate(v.toString());
    return {};
}

bool readBoolean(const QVariant& v)
{
    if (isNullValue(v))
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (isNumberVariant(v))
        return v.toDouble() != 0;
    if (v.typeId() == QMetaType::QString)
        return parseBoolean(v.toString()).value_or(false);
    return false;
}

// Numbers for comparisons and calculations: a typed text reads as the user meant it.
bool sameValue(const QVariant& stored, const QVariant& wanted, T type)
{
    if (isNullValue(stored) || isNullValue(wanted))
        return isNullValue(stored) && isNullValue(wanted);
    if (isNumeric(type) && isNumberVariant(wanted)) {
        const std::optional<double> d = readDouble(stored);
        return d && *d == wanted.toDouble();
    }
    if (type == T::DateTime &&
        (wanted.typeId() == QMetaType::QDate || wanted.typeId() == QMetaType::QString)) {
        const QDate w = readDate(wanted);
        if (w.isValid())
            return readDate(stored) == w;
    }
    return readString(stored, type) == readString(wanted, type);
}

// Keeps m_calculating pointing at the row being computed, and only while it is.
class CalculatingRow
{
public:
    CalculatingRow(const QList<QVariant>*& slot, const QList<QVariant>* row) : m_slot(slot) { m_slot = row; }
    ~CalculatingRow() { m_slot = nullptr; }
    CalculatingRow(const CalculatingRow&) = delete;
    CalculatingRow& operator=(const CalculatingRow&) = delete;

private:
    const QList<QVariant>*& m_slot;
};

} // namespace

// ---------------------------------------------------------------- Field

Field::Field(const Dataset* dataset, int index, int row)
    : m_dataset(const_cast<Dataset*>(dataset)), m_index(index), m_row(row)
{
    if (index < 0 || index >= dataset->fieldCount())
        throw DatabaseError(QStringLiteral("Le champ n° %1 n'existe pas dans la requête « %2 ».")
                                .arg(index)
                                .arg(dataset->name()));
}

QString Field::name() const
{
    return m_dataset->definition(m_index).name;
}

QString Field::displayLabel() const
{
    return m_dataset->label(m_index);
}

Schema::ColumnType Field::type() const
{
    return m_dataset->definition(m_index).type;
}

int Field::size() const
{
    return m_dataset->definition(m_index).size;
}

bool Field::isCalculated() const
{
    return m_dataset->definition(m_index).calculation >= 0;
}

bool Field::isReadOnly() const
{
    return isCalculated() || m_dataset->definition(m_index).column.isEmpty();
}

QString Field::displayFormat() const
{
    return m_dataset->definition(m_index).settings.displayFormat;
}

QString Field::editFormat() const
{
    return m_dataset->definition(m_index).settings.editFormat;
}

QString Field::editMask() const
{
    const QString& mask = m_dataset->definition(m_index).settings.editMask;
    if (!mask.isEmpty())
        return mask;
    return type() == T::DateTime ? EditMasks::date : QString();
}

QVariant Field::value() const
{
    return m_dataset->valueAt(m_index, m_row);
}

bool Field::isNull() const
{
    return isNullValue(value());
}

QString Field::asString() const
{
    return readString(value(), type());
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (isNullValue(v))
        return 0;
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return v.toInt();
    return static_cast<int>(std::lround(readDouble(v).value_or(0)));
}

double Field::asDouble() const
{
    return readDouble(value()).value_or(0);
}

Money::Amount Field::asMoney() const
{
    // A typed amount is read from its digits, never through a double.
    const QVariant v = value();
    if (v.typeId() == QMetaType::QString)
        return Money::parse(v.toString()).value_or(Money::Amount());
    return Money::Amount::fromDouble(asDouble());
}

QDate Field::asDate() const
{
    return readDate(value());
}

bool Field::asBoolean() const
{
    return readBoolean(value());
}

QByteArray Field::asBytes() const
{
    const QVariant v = value();
    if (isNullValue(v))
        return {};
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : asString().toUtf8();
}

QString Field::displayText() const
{
    const QVariant v = value();
    if (isNullValue(v))
        return {};
    const QString format = displayFormat();
    if (!format.isEmpty() && isNumeric(type()))
        if (const std::optional<double> d = readDouble(v))
            return NumberFormat::formatFloat(format, *d);
    return readString(v, type());
}

QString Field::editText() const
{
    const QVariant v = value();
    if (isNullValue(v))
        return {};
    const QString format = editFormat();
    if (!format.isEmpty() && isNumeric(type()))
        if (const std::optional<double> d = readDouble(v))
            return NumberFormat::formatFloat(format, *d);
    return readString(v, type());
}

void Field::setValue(const QVariant& value) const
{
    m_dataset->setFieldValue(m_index, value);
}

void Field::setAsString(const QString& text) const
{
    setValue(text.isNull() ? QStringLiteral("") : text);
}

void Field::setAsInteger(int value) const
{
    setValue(static_cast<qlonglong>(value));
}

void Field::setAsDouble(double value) const
{
    setValue(value);
}

void Field::setAsMoney(Money::Amount value) const
{
    setValue(value.toDouble());
}

void Field::setAsDate(const QDate& value) const
{
    setValue(value.isValid() ? QVariant(value) : QVariant());
}

void Field::setAsBoolean(bool value) const
{
    setValue(value);
}

void Field::setAsBytes(const QByteArray& value) const
{
    // An empty picture is stored as empty contents, not as a missing value.
    setValue(value.isNull() ? QByteArray("", 0) : value);
}

void Field::clear() const
{
    setValue(QVariant());
}

// ---------------------------------------------------------------- Dataset

template <typename Signal, typename... Args> void Dataset::notify(Signal signal, Args... args)
{
    if (m_disabled == 0)
        (this->*signal)(args...);
}

Dataset::Dataset(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

Dataset::~Dataset() = default;

void Dataset::setSql(const QStringList& lines)
{
    close();
    m_sql = lines;
}

void Dataset::setSql(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setSql(t.split(QLatin1Char('\n')));
}

void Dataset::setWhereLine(const QString& line)
{
    for (QString& l : m_sql) {
        if (l.toUpper().contains(QLatin1String("WHERE"))) {
            close();
            l = line;
            return;
        }
    }
    throw DatabaseError(QStringLiteral("La requête « %1 » n'a pas de ligne WHERE à remplacer.").arg(name()));
}

QSqlDatabase Dataset::connection() const
{
    QSqlDatabase db =
        m_connectionName.isEmpty() ? Connection::database() : QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen())
        throw DatabaseError(QStringLiteral("La connexion à la base de données n'est pas ouverte."));
    return db;
}

QString Dataset::translatedStatement() const
{
    const QString jet = m_sql.join(QLatin1Char('\n')).trimmed();
    if (jet.isEmpty())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'a pas d'instruction SQL.").arg(name()));
    return JetDialect::translate(jet);
}

void Dataset::open()
{
    if (isActive())
        return;
    const QString translated = translatedStatement();
    const SelectShape shape = SelectShape::of(m_sql.join(QLatin1Char('\n')));
    if (!shape.isSelect)
        throw DatabaseError(
            QStringLiteral("L'instruction de la requête « %1 » ne renvoie pas de lignes.").arg(name()));
    QSqlDatabase db = connection();

    TableColumns columns;
    if (!shape.table.isEmpty()) {
        QSqlQuery info(db);
        if (info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(bracketed(shape.table))))
            while (info.next())
                columns.insert(
                    info.value(1).toString().toUpper(),
                    {info.value(1).toString(), info.value(2).toString(), info.value(5).toInt() > 0});
    }
    const bool withRowid = !columns.isEmpty();

    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(withRowid ? withRowidColumn(translated) : translated))
        throw DatabaseError(errorText(query.lastError()));

    m_table = withRowid ? shape.table : QString();
    m_selectList = shape.selectList;
    m_fromClause = shape.fromClause;
    buildFields(query.record(), withRowid, shape, columns);
    m_rows.clear();
    fetch(query, withRowid, m_rows);

    m_state = State::Browse;
    m_modified = false;
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    notify(&Dataset::reset);
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
    afterScroll();
}

void Dataset::buildFields(const QSqlRecord& record, bool withRowid, const SelectShape& shape,
                          const TableColumns& tableColumns)
{
    m_fields.clear();
    m_fieldByName.clear();
    m_spellings.clear();
    const int first = withRowid ? 1 : 0;
    QHash<QString, int> uses;
    for (int i = first; i < record.count(); ++i)
        ++uses[record.fieldName(i).toUpper()];

    for (int i = first; i < record.count(); ++i) {
        const QSqlField f = record.field(i);
        FieldDef def;
        const QString bare = f.name();
        // Some ODBC drivers leave bytes after the table name's end.
        const QString reported = f.tableName();
        QString table = withRowid ? m_table : reported.left(reported.indexOf(QChar(0)));
        if (table.isEmpty() && i - first < shape.qualifiers.size())
            table = shape.qualifiers[i - first];
        // The column a field stands for: itself, or the column its alias renames.
        QString column = bare;
        if (const auto alias = shape.aliases.constFind(bare.toUpper()); alias != shape.aliases.constEnd())
            column = alias.value();
        if (withRowid) {
            const auto c = tableColumns.constFind(column.toUpper());
            def.column = c == tableColumns.constEnd() ? QString() : c->name;
        }

        if (const Schema::Column* known = Schema::findColumn(table, column)) {
            def.type = known->type;
            def.size = known->size;
        } else if (const auto c = tableColumns.constFind(column.toUpper()); c != tableColumns.constEnd()) {
            const auto declared = Schema::typeFromDeclared(c->declared, c->primaryKey);
            def.type = declared ? declared->type : typeOfValue(f.metaType());
            def.size = declared ? declared->size : 0;
        } else {
            def.type = typeOfValue(f.metaType());
        }

        def.upperBare = bare.toUpper();
        def.upperQualified = table.isEmpty() ? QString() : (table + QLatin1Char('.') + bare).toUpper();
        def.name =
            (uses.value(def.upperBare) > 1 && !table.isEmpty()) ? table + QLatin1Char('.') + bare : bare;
        const int index = static_cast<int>(m_fields.size());
        if (!def.upperQualified.isEmpty())
            m_fieldByName.insert(def.upperQualified, index);
        if (!m_fieldByName.contains(def.upperBare))
            m_fieldByName.insert(def.upperBare, index);
        m_fields.push_back(def);
    }
    for (int c = 0; c < static_cast<int>(m_calculations.size()); ++c) {
        FieldDef def;
        def.name = m_calculations[c].name;
        def.upperBare = def.name.toUpper();
        def.type = m_calculations[c].type;
        def.calculation = c;
        m_fieldByName.insert(def.upperBare, static_cast<int>(m_fields.size()));
        m_fields.push_back(def);
    }
    resolveSettings();
}

void Dataset::fetch(QSqlQuery& query, bool withRowid, std::vector<Row>& into) const
{
    const int first = withRowid ? 1 : 0;
    const int columns = query.record().count();
    const qsizetype total = static_cast<qsizetype>(m_fields.size());
    const bool odbc = connection().driverName() != QLatin1String("QSQLITE");
    while (query.next()) {
        Row row;
        if (withRowid)
            row.rowid = query.value(0).toLongLong();
        row.values.reserve(total);
        for (int i = first; i < columns; ++i)
            row.values.append(odbc ? asSqliteGives(query.value(i), m_fields[i - first].type)
                                   : query.value(i));
        row.values.resize(total);
        calculate(row.values);
        into.push_back(std::move(row));
    }
    // next() also ends on a failure (a damaged page): the rows read so far are not all of them.
    if (query.lastError().isValid())
        throw DatabaseError(errorText(query.lastError()));
}

void Dataset::calculate(QList<QVariant>& values) const
{
    if (m_calculations.empty())
        return;
    CalculatingRow scope(m_calculating, &values);
    for (int i = 0; i < static_cast<int>(m_fields.size()); ++i)
        if (m_fields[i].calculation >= 0)
            values[i] = m_calculations[m_fields[i].calculation].calculation(*this);
}

Dataset::Row Dataset::refetch(qint64 rowid) const
{
    const QString jet =
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid=%3").arg(m_selectList, m_fromClause).arg(rowid);
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.exec(withRowidColumn(JetDialect::translate(jet))))
        throw DatabaseError(errorText(query.lastError()));
    std::vector<Row> rows;
    fetch(query, true, rows);
    if (rows.empty())
        throw DatabaseError(
            QStringLiteral("La ligne enregistrée est introuvable dans la table %1.").arg(m_table));
    return std::move(rows.front());
}

void Dataset::close()
{
    if (!isActive())
        return;
    m_state = State::Inactive;
    m_rows.clear();
    m_fields.clear();
    m_fieldByName.clear();
    m_spellings.clear();
    m_buffer.clear();
    m_modified = false;
    m_table.clear();
    m_current = -1;
    m_bof = m_eof = true;
    notify(&Dataset::reset);
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
}

void Dataset::execSql()
{
    close();
    const QString translated = translatedStatement();
    QSqlQuery query(connection());
    if (!query.exec(translated))
        throw DatabaseError(errorText(query.lastError()));
}

void Dataset::checkActive() const
{
    if (!isActive())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'est pas ouverte.").arg(name()));
}

void Dataset::checkBrowseMode()
{
    checkActive();
    if (!isEditing())
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void Dataset::afterScroll()
{
    if (m_afterScroll)
        m_afterScroll(*this);
}

void Dataset::moveCurrent(int row, bool bofHit, bool eofHit)
{
    const bool moved = row != m_current;
    m_current = row;
    m_bof = bofHit || m_rows.empty();
    m_eof = eofHit || m_rows.empty();
    if (moved) {
        notify(&Dataset::currentChanged);
        afterScroll();
    }
}

void Dataset::first()
{
    checkBrowseMode();
    moveCurrent(m_rows.empty() ? -1 : 0, true, false);
}

void Dataset::last()
{
    checkBrowseMode();
    moveCurrent(recordCount() - 1, false, true);
}

void Dataset::next()
{
    checkBrowseMode();
    if (m_current + 1 < recordCount())
        moveCurrent(m_current + 1, false, false);
    else
        m_eof = true;
}

void Dataset::prior()
{
    checkBrowseMode();
    if (m_current > 0)
        moveCurrent(m_current - 1, false, false);
    else
        m_bof = true;
}

void Dataset::moveTo(int row)
{
    checkBrowseMode();
    if (m_rows.empty())
        return;
    moveCurrent(std::clamp(row, 0, recordCount() - 1), false, false);
}

bool Dataset::locate(const QString& fieldName, const QVariant& value)
{
    checkBrowseMode();
    const int index = field(fieldName).index();
    const T type = m_fields[index].type;
    for (int r = 0; r < recordCount(); ++r) {
        if (sameValue(m_rows[r].values[index], value, type)) {
            moveCurrent(r, false, false);
            return true;
        }
    }
    return false;
}

bool Dataset::locateId(int id)
{
    return locate(QStringLiteral("Id"), static_cast<qlonglong>(id));
}

void Dataset::edit()
{
    checkActive();
    if (isEditing())
        return;
    if (m_table.isEmpty())
        throw DatabaseError(
            QStringLiteral("Les lignes de la requête « %1 » ne peuvent pas être modifiées.").arg(name()));
    if (m_rows.empty()) {
        insert();
        return;
    }
    m_buffer = m_rows[m_current].values;
    m_assigned = QBitArray(fieldCount());
    m_modified = false;
    m_state = State::Edit;
    notify(&Dataset::stateChanged);
}

void Dataset::insert()
{
    checkBrowseMode();
    startInsert(m_current < 0 ? 0 : m_current);
}

void Dataset::append()
{
    checkBrowseMode();
    startInsert(recordCount());
}

void Dataset::startInsert(int at)
{
    if (m_table.isEmpty())
        throw DatabaseError(
            QStringLiteral("La requête « %1 » ne peut pas recevoir de nouvelles lignes.").arg(name()));
    m_previousCurrent = m_current;
    m_insertAt = at;
    m_buffer = QList<QVariant>(fieldCount());
    m_assigned = QBitArray(fieldCount());
    calculate(m_buffer);
    m_state = State::Insert;
    m_modified = false;
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
    if (!m_onNewRecord)
        return;
    try {
        m_onNewRecord(*this);
    } catch (...) {
        cancel();
        throw;
    }
    // The defaults of a new row are not a change of the user's.
    if (m_state == State::Insert)
        m_modified = false;
}

QVariant Dataset::toStorage(int index, const QVariant& v) const
{
    const FieldDef& def = m_fields[index];
    const QString text = v.typeId() == QMetaType::QString ? v.toString() : readString(v, def.type);
    auto refuse = [&](const QString& why) {
        return DatabaseError(QStringLiteral("Le champ « %1 » n'accepte pas la valeur « %2 » : %3.")
                                 .arg(label(index), text, why));
    };
    const bool isText = v.typeId() == QMetaType::QString;
    if (isNullValue(v) || (isText && def.type != T::Text && def.type != T::Memo && text.trimmed().isEmpty()))
        return def.type == T::YesNo ? QVariant(0) : QVariant();

    switch (def.type) {
    case T::Text:
    case T::Memo: {
        if (def.size > 0 && text.size() > def.size)
            throw DatabaseError(
                QStringLiteral("Le texte du champ « %1 » est trop long : %2 caractères pour %3 au plus.")
                    .arg(label(index))
                    .arg(text.size())
                    .arg(def.size));
        return text;
    }
    case T::AutoIncrement:
    case T::Long:
    case T::Short:
    case T::Byte: {
        qint64 n = 0;
        if (isText) {
            bool ok = false;
            n = text.trimmed().toLongLong(&ok);
            if (!ok)
                throw refuse(QStringLiteral("ce n'est pas un nombre entier"));
        } else {
            const std::optional<double> d = readDouble(v);
            if (!d || std::floor(*d) != *d)
                throw refuse(QStringLiteral("ce n'est pas un nombre entier"));
            n = static_cast<qint64>(*d);
        }
        const auto [low, high] = rangeOf(def.type);
        if (n < low || n > high)
            throw refuse(QStringLiteral("la valeur doit être comprise entre %1 et %2").arg(low).arg(high));
        return static_cast<qlonglong>(n);
    }
    case T::Double:
    case T::Single: {
        const std::optional<double> d = readDouble(v);
        if (!d)
            throw refuse(QStringLiteral("ce n'est pas un nombre"));
        return *d;
    }
    case T::Currency: {
        // The exact decimal goes to the database, which keeps it as its number.
        std::optional<Money::Amount> amount;
        if (isText)
            amount = Money::parse(text);
        else if (const std::optional<double> d = readDouble(v))
            amount = Money::Amount::fromDouble(*d);
        if (!amount)
            throw refuse(QStringLiteral("ce n'est pas un nombre"));
        return amount->decimalText();
    }
    case T::YesNo: {
        if (isText) {
            const std::optional<bool> b = parseBoolean(text);
            if (!b)
                throw refuse(QStringLiteral("la valeur doit être Oui ou Non"));
            return *b ? 1 : 0;
        }
        return readBoolean(v) ? 1 : 0;
    }
    case T::DateTime: {
        if (isText && isBlankDate(text))
            return QVariant();
        const QDate d = readDate(v);
        if (!d.isValid())
            throw refuse(QStringLiteral("ce n'est pas une date valide"));
        return d.toString(Formats::isoDate);
    }
    case T::Bytes:
        return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : text.toUtf8();
    }
    return v;
}

void Dataset::post()
{
    checkActive();
    if (!isEditing())
        return;
    if (m_beforePost)
        m_beforePost(*this);

    // Every value is checked before anything is written: a refused value
    // leaves the row in edit with what was typed.
    QStringList columns;
    QList<QVariant> values;
    for (int i = 0; i < fieldCount(); ++i) {
        if (!m_assigned.testBit(i) || m_fields[i].column.isEmpty())
            continue;
        const qsizetype already = columns.indexOf(m_fields[i].column);
        const QVariant stored = toStorage(i, m_buffer[i]);
        if (already >= 0) {
            values[already] = stored;
        } else {
            columns << m_fields[i].column;
            values << stored;
        }
    }

    QSqlQuery query(connection());
    qint64 rowid = 0;
    if (m_state == State::Insert) {
        QStringList names;
        for (const QString& c : columns)
            names << bracketed(c);
        const QString statement =
            columns.isEmpty()
                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(bracketed(m_table))
                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(bracketed(m_table), names.join(QStringLiteral(", ")),
                           QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            throw DatabaseError(errorText(query.lastError()));
        rowid = insertedRowid(query, connection());
    } else {
        rowid = m_rows[m_current].rowid;
        if (!columns.isEmpty()) {
            QStringList assignments;
            for (const QString& c : columns)
                assignments << bracketed(c) + QStringLiteral("=?");
            query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
                              .arg(bracketed(m_table), assignments.join(QStringLiteral(", "))));
            for (const QVariant& value : values)
                query.addBindValue(value);
            query.addBindValue(rowid);
            if (!query.exec())
                throw DatabaseError(errorText(query.lastError()));
        }
    }

    Row row = refetch(rowid);
    const bool inserted = m_state == State::Insert;
    if (inserted) {
        m_current = std::clamp(m_insertAt, 0, recordCount());
        m_rows.insert(m_rows.begin() + m_current, std::move(row));
    } else {
        m_rows[m_current] = std::move(row);
    }
    m_state = State::Browse;
    m_modified = false;
    m_buffer.clear();
    m_bof = m_eof = false;
    if (inserted)
        notify(&Dataset::reset);
    else
        notify(&Dataset::rowUpdated, m_current);
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
    if (m_afterPost)
        m_afterPost(*this);
}

void Dataset::cancel()
{
    if (!isEditing())
        return;
    if (m_state == State::Insert)
        m_current = m_rows.empty() ? -1 : std::clamp(m_previousCurrent, 0, recordCount() - 1);
    m_state = State::Browse;
    m_modified = false;
    m_buffer.clear();
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
}

void Dataset::remove()
{
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_table.isEmpty())
        throw DatabaseError(
            QStringLiteral("Les lignes de la requête « %1 » ne peuvent pas être supprimées.").arg(name()));
    if (m_rows.empty())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'a aucune ligne à supprimer.").arg(name()));
    cancel();
    if (m_beforeDelete)
        m_beforeDelete(*this);

    QSqlQuery query(connection());
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(bracketed(m_table)));
    query.addBindValue(m_rows[m_current].rowid);
    if (!query.exec())
        throw DatabaseError(errorText(query.lastError()));

    m_rows.erase(m_rows.begin() + m_current);
    m_current = std::min(m_current, recordCount() - 1);
    m_bof = m_rows.empty();
    m_eof = m_rows.empty();
    notify(&Dataset::reset);
    notify(&Dataset::currentChanged);
    afterScroll();
    if (m_afterDelete)
        m_afterDelete(*this);
}

void Dataset::disableControls()
{
    ++m_disabled;
}

void Dataset::enableControls()
{
    if (m_disabled == 0 || --m_disabled > 0)
        return;
    emit reset();
    emit stateChanged();
    emit currentChanged();
}

QStringList Dataset::fieldNames() const
{
    QStringList names;
    for (const FieldDef& f : m_fields)
        names << f.name;
    return names;
}

// Callers name fields the same way every time (calculations on every row);
// remembering each spelling saves upper-casing it again.
int Dataset::fieldIndex(const QString& name) const
{
    if (const auto known = m_spellings.constFind(name); known != m_spellings.constEnd())
        return known.value();
    const int index = m_fieldByName.value(name.toUpper(), -1);
    m_spellings.insert(name, index);
    return index;
}

Field Dataset::field(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index >= 0)
        return Field(this, index);
    if (!isActive())
        throw DatabaseError(
            QStringLiteral("La requête « %1 » est fermée : son champ « %2 » ne peut pas être lu.")
                .arg(this->name(), name));
    throw DatabaseError(
        QStringLiteral("Le champ « %1 » n'existe pas dans la requête « %2 ».").arg(name, this->name()));
}

void Dataset::addCalculatedField(const QString& name, Schema::ColumnType type, Calculation calculation)
{
    // Added again, as a window opened a second time does, it replaces the first.
    for (CalculatedField& field : m_calculations)
        if (field.name.compare(name, Qt::CaseInsensitive) == 0) {
            field = {name, type, std::move(calculation)};
            return;
        }
    m_calculations.push_back({name, type, std::move(calculation)});
}

void Dataset::changeSettings(const QString& fieldName, const std::function<void(FieldSettings&)>& change)
{
    change(m_settings[fieldName.toUpper()]);
    resolveSettings();
    // Widgets showing the field take its new format at once.
    if (isActive())
        if (const int index = fieldIndex(fieldName); index >= 0)
            notify(&Dataset::fieldChanged, index);
}

// Each field keeps its own copy of its settings, read on every row shown;
// a setting under "TABLE.Column" wins over one under the bare name.
void Dataset::resolveSettings()
{
    for (FieldDef& def : m_fields) {
        auto it =
            def.upperQualified.isEmpty() ? m_settings.constEnd() : m_settings.constFind(def.upperQualified);
        if (it == m_settings.constEnd())
            it = m_settings.constFind(def.upperBare);
        def.settings = it == m_settings.constEnd() ? FieldSettings() : it.value();
    }
}

void Dataset::setDisplayFormat(const QString& fieldName, const QString& format)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.displayFormat = format; });
}

void Dataset::setEditFormat(const QString& fieldName, const QString& format)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.editFormat = format; });
}

void Dataset::setEditMask(const QString& fieldName, const QString& mask)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.editMask = mask; });
}

void Dataset::setDisplayLabel(const QString& fieldName, const QString& label)
{
    changeSettings(fieldName, [&](FieldSettings& s) { s.displayLabel = label; });
}

QString Dataset::label(int index) const
{
    const FieldDef& def = definition(index);
    return def.settings.displayLabel.isEmpty() ? def.name : def.settings.displayLabel;
}

const Dataset::FieldDef& Dataset::definition(int index) const
{
    // A handle kept after its dataset closed must not read what is no longer there.
    if (index < 0 || index >= fieldCount())
        throw DatabaseError(
            QStringLiteral("Le champ n° %1 n'existe pas dans la requête « %2 ».").arg(index).arg(name()));
    return m_fields[index];
}

const QVariant& Dataset::valueAt(int index, int row) const
{
    static const QVariant none;
    definition(index);
    if (m_calculating)
        return (*m_calculating)[index];
    if (row >= 0)
        return row < recordCount() ? m_rows[row].values[index] : none;
    if (isEditing())
        return m_buffer[index];
    return m_current >= 0 ? m_rows[m_current].values[index] : none;
}

void Dataset::setFieldValue(int index, const QVariant& value)
{
    const FieldDef& def = definition(index);
    if (!isEditing())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'est pas en modification.").arg(name()));
    if (def.calculation >= 0 || def.column.isEmpty())
        throw DatabaseError(QStringLiteral("Le champ « %1 » ne peut pas être modifié.").arg(def.name));
    m_buffer[index] = value;
    m_assigned.setBit(index);
    m_modified = true;
    const QList<QVariant> before = m_buffer;
    calculate(m_buffer);
    notify(&Dataset::fieldChanged, index);
    for (int i = 0; i < fieldCount(); ++i)
        if (m_fields[i].calculation >= 0 && before[i] != m_buffer[i])
            notify(&Dataset::fieldChanged, i);
}
