#include "FhirValues.h"

#include "FhirTerms.h"
#include "Formats.h"

#include <cmath>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>

namespace FhirValues {
namespace {

const QString kExtension = QStringLiteral("extension");

QString underscored(const QString& key)
{
    return QLatin1Char('_') + key;
}

// The original-text extension: readable text when it is a FHIR string,
// its UTF-8 bytes otherwise.
QJsonObject originalText(const QString& text)
{
    QJsonObject e{{QStringLiteral("url"), FhirTerms::originalText}};
    if (sanitized(text) == text)
        e.insert(QStringLiteral("valueString"), text);
    else
        e.insert(QStringLiteral("valueBase64Binary"), QString::fromLatin1(text.toUtf8().toBase64()));
    return e;
}

QString extensionValueText(const QJsonObject& e)
{
    if (e.contains(QStringLiteral("valueBase64Binary")))
        return QString::fromUtf8(
            QByteArray::fromBase64(e.value(QStringLiteral("valueBase64Binary")).toString().toLatin1()));
    return readText(e, QStringLiteral("valueString"));
}

int localOffset(const QDate& date, const QTime& time)
{
    return QDateTime(date, time).offsetFromUtc();
}

QString offsetText(int seconds)
{
    const QChar sign = seconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int minutes = std::abs(seconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(sign)
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QString sanitized(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\n' || u == u'\r' || u == u' ')
            continue;
        if (u < 0x20 || u == 0x7f)
            c = QChar(0xfffd);
        else if (c.isSpace() || u == 0xfeff)
            c = QLatin1Char(' ');
    }
    return out;
}

void putText(QJsonObject& object, const QString& key, const QString& text)
{
    putTextShown(object, key, sanitized(text), text);
}

void putTextShown(QJsonObject& object, const QString& key, const QString& shown, const QString& text)
{
    if (text.isEmpty())
        return;
    const QString value = shown.isEmpty() ? sanitized(text) : sanitized(shown);
    object.insert(key, value);
    if (value != text)
        addElementExtension(object, key, originalText(text));
}

QString readText(const QJsonObject& object, const QString& key)
{
    const QJsonObject original = elementExtension(object, key, FhirTerms::originalText);
    if (!original.isEmpty())
        return extensionValueText(original);
    return object.value(key).toString();
}

QJsonObject textExtension(const QString& url, const QString& text)
{
    if (text.isEmpty())
        return {};
    QJsonObject e{{QStringLiteral("url"), url}};
    putText(e, QStringLiteral("valueString"), text);
    return e;
}

void addExtension(QJsonObject& object, const QJsonObject& extension)
{
    if (extension.isEmpty())
        return;
    QJsonArray list = object.value(kExtension).toArray();
    list.append(extension);
    object.insert(kExtension, list);
}

QJsonObject extension(const QJsonObject& object, const QString& url)
{
    for (const QJsonValue& e : object.value(kExtension).toArray())
        if (e.toObject().value(QStringLiteral("url")).toString() == url)
            return e.toObject();
    return {};
}

QString extensionText(const QJsonObject& object, const QString& url)
{
    const QJsonObject e = extension(object, url);
    return e.isEmpty() ? QString() : extensionValueText(e);
}

void addElementExtension(QJsonObject& object, const QString& key, const QJsonObject& e)
{
    QJsonObject element = object.value(underscored(key)).toObject();
    addExtension(element, e);
    object.insert(underscored(key), element);
}

QJsonObject elementExtension(const QJsonObject& object, const QString& key, const QString& url)
{
    const QJsonValue element = object.value(underscored(key));
    return element.isObject() ? extension(element.toObject(), url) : QJsonObject();
}

QJsonObject coding(const QString& system, const QString& code, const QString& display)
{
    QJsonObject c{{QStringLiteral("system"), system}, {QStringLiteral("code"), code}};
    putText(c, QStringLiteral("display"), display);
    return c;
}

QJsonObject codeable(const QJsonObject& coding, const QString& text)
{
    QJsonObject c;
    if (!coding.isEmpty())
        c.insert(QStringLiteral("coding"), QJsonArray{coding});
    putText(c, QStringLiteral("text"), text);
    return c;
}

bool hasCoding(const QJsonObject& codeable, const QString& system, const QString& code)
{
    for (const QJsonValue& v : codeable.value(QStringLiteral("coding")).toArray()) {
        const QJsonObject c = v.toObject();
        if (c.value(QStringLiteral("system")).toString() == system &&
            (code.isEmpty() || c.value(QStringLiteral("code")).toString() == code))
            return true;
    }
    return false;
}

QString codeIn(const QJsonObject& codeable, const QString& system)
{
    for (const QJsonValue& v : codeable.value(QStringLiteral("coding")).toArray())
        if (v.toObject().value(QStringLiteral("system")).toString() == system)
            return v.toObject().value(QStringLiteral("code")).toString();
    return {};
}

// Digits at fixed places, read without the date parser: thousands of rows
// go through here.
static int digitsAt(const QString& text, int from, int count)
{
    int n = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

std::optional<QTime> readTime(const QString& text)
{
    if (text.size() != 5 || text.at(2) != QLatin1Char(':'))
        return std::nullopt;
    const int h = digitsAt(text, 0, 2), m = digitsAt(text, 3, 2);
    if (h < 0 || m < 0 || !QTime::isValid(h, m, 0))
        return std::nullopt;
    return QTime(h, m);
}

Moment storedMoment(const QString& storedDate, const QString& time)
{
    QDate d;
    if (storedDate.size() == 10 && storedDate.at(4) == QLatin1Char('-') &&
        storedDate.at(7) == QLatin1Char('-'))
        d = QDate(digitsAt(storedDate, 0, 4), digitsAt(storedDate, 5, 2), digitsAt(storedDate, 8, 2));
    return {storedDate, d.isValid() && d.year() >= 1 ? d : QDate(), time};
}

Moment birthMoment(const QString& birthDate, const QString& time)
{
    QDate d;
    if (birthDate.size() == 10 && birthDate.at(2) == QLatin1Char('/') && birthDate.at(5) == QLatin1Char('/'))
        d = QDate(digitsAt(birthDate, 6, 4), digitsAt(birthDate, 3, 2), digitsAt(birthDate, 0, 2));
    return {birthDate, d.isValid() && d.year() >= 1 ? d : QDate(), time};
}

QString dateTimeText(const QDate& date, const QTime& time)
{
    return date.toString(Formats::isoDate) + QLatin1Char('T') + time.toString(QStringLiteral("hh:mm:ss")) +
           offsetText(localOffset(date, time));
}

void putMoment(QJsonObject& object, const QString& key, const Moment& m, bool withTime)
{
    const std::optional<QTime> time = readTime(m.timeText);
    const bool timeInValue = withTime && time && m.date.isValid();
    if (m.date.isValid())
        object.insert(key, timeInValue ? dateTimeText(m.date, *time) : m.date.toString(Formats::isoDate));
    if (!m.dateText.isEmpty() && !m.date.isValid())
        addElementExtension(object, key, textExtension(FhirTerms::dateText, m.dateText));
    if (!m.timeText.isEmpty() && !timeInValue)
        addElementExtension(object, key, textExtension(FhirTerms::timeText, m.timeText));
}

std::optional<ReadMoment> parseDateTime(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4}-\\d\\d-\\d\\d)(?:T(\\d\\d:\\d\\d)(?::(\\d\\d)(?:\\.\\d+)?)?(Z|[+-]\\d\\d:\\d\\d))?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(match.captured(1), Formats::isoDate);
    if (!date.isValid())
        return std::nullopt;
    if (match.captured(2).isEmpty())
        return ReadMoment{date, {}};
    const QTime time = QTime::fromString(match.captured(2), Formats::shortTime);
    if (!time.isValid())
        return std::nullopt;
    const QString zone = match.captured(4);
    int offset = 0;
    if (zone != QLatin1String("Z"))
        offset =
            (zone.mid(1, 2).toInt() * 60 + zone.mid(4, 2).toInt()) * 60 * (zone.startsWith(u'-') ? -1 : 1);
    // The program's own bundles carry the local offset of the wall-clock
    // time they write: that time stands as it is, even where the clock
    // skips an hour. Any other offset is turned into local time.
    if (offset == localOffset(date, time))
        return ReadMoment{date, time.toString(Formats::shortTime)};
    const QDateTime local = QDateTime(date, time, Qt::OffsetFromUTC, offset).toLocalTime();
    return ReadMoment{local.date(), local.time().toString(Formats::shortTime)};
}

StoredTexts readMoment(const QJsonObject& object, const QString& key)
{
    StoredTexts out;
    if (const std::optional<ReadMoment> m = parseDateTime(object.value(key).toString())) {
        out.date = m->date.toString(Formats::isoDate);
        out.time = m->time;
    }
    const QJsonObject dateExt = elementExtension(object, key, FhirTerms::dateText);
    if (!dateExt.isEmpty())
        out.date = extensionValueText(dateExt);
    const QJsonObject timeExt = elementExtension(object, key, FhirTerms::timeText);
    if (!timeExt.isEmpty())
        out.time = extensionValueText(timeExt);
    return out;
}

StoredTexts readBirthMoment(const QJsonObject& patient)
{
    StoredTexts out;
    const QString key = QStringLiteral("birthDate");
    if (const std::optional<ReadMoment> m = parseDateTime(patient.value(key).toString()))
        out.date = m->date.toString(Formats::shortDate);
    const QJsonObject birthTime = elementExtension(patient, key, FhirTerms::birthTime);
    if (const std::optional<ReadMoment> m =
            parseDateTime(birthTime.value(QStringLiteral("valueDateTime")).toString()))
        out.time = m->time;
    const QJsonObject dateExt = elementExtension(patient, key, FhirTerms::dateText);
    if (!dateExt.isEmpty())
        out.date = extensionValueText(dateExt);
    const QJsonObject timeExt = elementExtension(patient, key, FhirTerms::timeText);
    if (!timeExt.isEmpty())
        out.time = extensionValueText(timeExt);
    return out;
}

QJsonObject money(Money::Amount amount)
{
    return {{QStringLiteral("value"), amount.toDouble()},
            {QStringLiteral("currency"), QStringLiteral("EUR")}};
}

std::optional<Money::Amount> readMoney(const QJsonObject& money)
{
    const QJsonValue v = money.value(QStringLiteral("value"));
    if (!v.isDouble())
        return std::nullopt;
    return Money::Amount::fromDouble(v.toDouble());
}

QJsonObject quantity(double value, const QString& unitText, const QString& ucum)
{
    QJsonObject q{{QStringLiteral("value"), value}};
    putText(q, QStringLiteral("unit"), unitText);
    if (!ucum.isEmpty()) {
        q.insert(QStringLiteral("system"), FhirTerms::ucum);
        q.insert(QStringLiteral("code"), ucum);
    }
    return q;
}

QString ucumCode(const QString& unit)
{
    // The units of French laboratory reports, written as their users write
    // them (case kept apart only where UCUM needs it).
    static const QHash<QString, QString> known{
        {QStringLiteral("kg"), QStringLiteral("kg")},
        {QStringLiteral("g"), QStringLiteral("g")},
        {QStringLiteral("cm"), QStringLiteral("cm")},
        {QStringLiteral("mm"), QStringLiteral("mm")},
        {QStringLiteral("%"), QStringLiteral("%")},
        {QStringLiteral("g/l"), QStringLiteral("g/L")},
        {QStringLiteral("mg/l"), QStringLiteral("mg/L")},
        {QStringLiteral("µg/l"), QStringLiteral("ug/L")},
        {QStringLiteral("ng/l"), QStringLiteral("ng/L")},
        {QStringLiteral("g/dl"), QStringLiteral("g/dL")},
        {QStringLiteral("mg/dl"), QStringLiteral("mg/dL")},
        {QStringLiteral("ng/ml"), QStringLiteral("ng/mL")},
        {QStringLiteral("pg/ml"), QStringLiteral("pg/mL")},
        {QStringLiteral("µg/ml"), QStringLiteral("ug/mL")},
        {QStringLiteral("mmol/l"), QStringLiteral("mmol/L")},
        {QStringLiteral("µmol/l"), QStringLiteral("umol/L")},
        {QStringLiteral("umol/l"), QStringLiteral("umol/L")},
        {QStringLiteral("nmol/l"), QStringLiteral("nmol/L")},
        {QStringLiteral("pmol/l"), QStringLiteral("pmol/L")},
        {QStringLiteral("meq/l"), QStringLiteral("meq/L")},
        {QStringLiteral("ui/l"), QStringLiteral("[IU]/L")},
        {QStringLiteral("mui/l"), QStringLiteral("m[IU]/L")},
        {QStringLiteral("µui/ml"), QStringLiteral("u[IU]/mL")},
        {QStringLiteral("ui/ml"), QStringLiteral("[IU]/mL")},
        {QStringLiteral("u/l"), QStringLiteral("U/L")},
        {QStringLiteral("g/24h"), QStringLiteral("g/(24.h)")},
        {QStringLiteral("giga/l"), QStringLiteral("10*9/L")},
        {QStringLiteral("10^9/l"), QStringLiteral("10*9/L")},
        {QStringLiteral("10^12/l"), QStringLiteral("10*12/L")},
        {QStringLiteral("tera/l"), QStringLiteral("10*12/L")},
        {QStringLiteral("/mm3"), QStringLiteral("/mm3")},
        {QStringLiteral("fl"), QStringLiteral("fL")},
        {QStringLiteral("pg"), QStringLiteral("pg")},
        {QStringLiteral("mm/h"), QStringLiteral("mm/h")},
        {QStringLiteral("mmhg"), QStringLiteral("mm[Hg]")},
        {QStringLiteral("°c"), QStringLiteral("Cel")},
        {QStringLiteral("ml/min"), QStringLiteral("mL/min")},
        {QStringLiteral("s"), QStringLiteral("s")},
        {QStringLiteral("kg/m2"), QStringLiteral("kg/m2")},
    };
    // In blood counts "G/l" and "T/l" are giga and tera per litre, not grams.
    static const QHash<QString, QString> caseSensitive{{QStringLiteral("G/l"), QStringLiteral("10*9/L")},
                                                       {QStringLiteral("T/l"), QStringLiteral("10*12/L")},
                                                       {QStringLiteral("G/L"), QStringLiteral("10*9/L")},
                                                       {QStringLiteral("T/L"), QStringLiteral("10*12/L")}};
    const QString trimmed = unit.trimmed();
    return caseSensitive.value(trimmed, known.value(trimmed.toLower()));
}

QJsonObject reference(const QString& fullUrl)
{
    return {{QStringLiteral("reference"), fullUrl}};
}

QString referenceOf(const QJsonObject& object, const QString& key)
{
    return object.value(key).toObject().value(QStringLiteral("reference")).toString();
}

} // namespace FhirValues
