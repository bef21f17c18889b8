#include "DatasetValues.h"

#include "Errors.h"
#include "Formats.h"
#include "NumberFormat.h"

#include <cmath>
#include <limits>
#include <QRegularExpression>

namespace DatasetValues {

namespace {

using T = Type;

// Dates are stored as ISO text; the user types dd/mm/yyyy, where the date
// mask leaves blanks in the day and month positions not typed.
bool looksIso(QStringView t)
{
    return t.size() >= 10 && t.at(4) == QLatin1Char('-') && t.at(7) == QLatin1Char('-');
}

QDate parseIso(QStringView t)
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

} // namespace

bool isInteger(Type t)
{
    return t == T::AutoIncrement || t == T::Long || t == T::Short || t == T::Byte;
}

bool isNumeric(Type t)
{
    return isInteger(t) || t == T::Double || t == T::Single || t == T::Currency;
}

bool isNumber(const QVariant& v)
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

bool isNull(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

QDate isoDate(QStringView text)
{
    return looksIso(text) ? parseIso(text) : QDate();
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

Type typeOfValue(QMetaType type)
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

QString text(const QVariant& v, Type type)
{
    if (isNull(v))
        return {};
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString s = v.toString();
        if (type == T::DateTime)
            if (const QDate d = isoDate(s); d.isValid())
                return shortDateText(d);
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

std::optional<double> number(const QVariant& v)
{
    if (isNull(v))
        return std::nullopt;
    if (isNumber(v))
        return v.toDouble();
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1.0 : 0.0;
    if (v.typeId() == QMetaType::QString)
        return NumberFormat::parseDecimal(v.toString());
    return std::nullopt;
}

int integer(const QVariant& v)
{
    if (isNull(v))
        return 0;
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return v.toInt();
    return static_cast<int>(std::lround(number(v).value_or(0)));
}

Money::Amount money(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return Money::parse(v.toString()).value_or(Money::Amount());
    return Money::Amount::fromDouble(number(v).value_or(0));
}

QDate date(const QVariant& v)
{
    if (isNull(v))
        return {};
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QString)
        return parseDate(v.toString());
    return {};
}

bool boolean(const QVariant& v)
{
    if (isNull(v))
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (isNumber(v))
        return v.toDouble() != 0;
    if (v.typeId() == QMetaType::QString)
        return parseBoolean(v.toString()).value_or(false);
    return false;
}

QByteArray bytes(const QVariant& v, Type type)
{
    if (isNull(v))
        return {};
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : text(v, type).toUtf8();
}

QString formatted(const QVariant& v, Type type, const QString& format)
{
    if (isNull(v))
        return {};
    if (!format.isEmpty() && isNumeric(type))
        if (const std::optional<double> d = number(v))
            return NumberFormat::formatFloat(format, *d);
    return text(v, type);
}

bool sameValue(const QVariant& stored, const QVariant& wanted, Type type)
{
    if (isNull(stored) || isNull(wanted))
        return isNull(stored) && isNull(wanted);
    if (isNumeric(type) && isNumber(wanted)) {
        const std::optional<double> d = number(stored);
        return d && *d == wanted.toDouble();
    }
    if (type == T::DateTime &&
        (wanted.typeId() == QMetaType::QDate || wanted.typeId() == QMetaType::QString)) {
        const QDate w = date(wanted);
        if (w.isValid())
            return date(stored) == w;
    }
    return text(stored, type) == text(wanted, type);
}

QVariant toStorage(const QVariant& v, Type type, int size, const QString& label)
{
    const bool isText = v.typeId() == QMetaType::QString;
    const QString typed = isText ? v.toString() : text(v, type);
    auto refuse = [&](const QString& why) {
        return DatabaseError(
            QStringLiteral("Le champ « %1 » n'accepte pas la valeur « %2 » : %3.").arg(label, typed, why));
    };
    if (isNull(v) || (isText && type != T::Text && type != T::Memo && typed.trimmed().isEmpty()))
        return type == T::YesNo ? QVariant(0) : QVariant();

    switch (type) {
    case T::Text:
    case T::Memo: {
        if (size > 0 && typed.size() > size)
            throw DatabaseError(
                QStringLiteral("Le texte du champ « %1 » est trop long : %2 caractères pour %3 au plus.")
                    .arg(label)
                    .arg(typed.size())
                    .arg(size));
        return typed;
    }
    case T::AutoIncrement:
    case T::Long:
    case T::Short:
    case T::Byte: {
        qint64 n = 0;
        if (isText) {
            bool ok = false;
            n = typed.trimmed().toLongLong(&ok);
            if (!ok)
                throw refuse(QStringLiteral("ce n'est pas un nombre entier"));
        } else {
            const std::optional<double> d = number(v);
            if (!d || std::floor(*d) != *d)
                throw refuse(QStringLiteral("ce n'est pas un nombre entier"));
            n = static_cast<qint64>(*d);
        }
        const auto [low, high] = rangeOf(type);
        if (n < low || n > high)
            throw refuse(QStringLiteral("la valeur doit être comprise entre %1 et %2").arg(low).arg(high));
        return static_cast<qlonglong>(n);
    }
    case T::Double:
    case T::Single: {
        const std::optional<double> d = number(v);
        if (!d)
            throw refuse(QStringLiteral("ce n'est pas un nombre"));
        return *d;
    }
    case T::Currency: {
        // The exact decimal goes to the database, which keeps it as its number.
        std::optional<Money::Amount> amount;
        if (isText)
            amount = Money::parse(typed);
        else if (const std::optional<double> d = number(v))
            amount = Money::Amount::fromDouble(*d);
        if (!amount)
            throw refuse(QStringLiteral("ce n'est pas un nombre"));
        return amount->decimalText();
    }
    case T::YesNo: {
        if (isText) {
            const std::optional<bool> b = parseBoolean(typed);
            if (!b)
                throw refuse(QStringLiteral("la valeur doit être Oui ou Non"));
            return *b ? 1 : 0;
        }
        return boolean(v) ? 1 : 0;
    }
    case T::DateTime: {
        if (isText && isBlankDate(typed))
            return QVariant();
        const QDate d = date(v);
        if (!d.isValid())
            throw refuse(QStringLiteral("ce n'est pas une date valide"));
        return d.toString(Formats::isoDate);
    }
    case T::Bytes:
        return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : typed.toUtf8();
    }
    return v;
}

} // namespace DatasetValues
