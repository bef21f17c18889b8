#include "NumberFormat.h"

#include "Money.h"

#include <algorithm>
#include <cmath>
#include <QHash>

namespace NumberFormat {
namespace {

bool isPictureChar(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.') || c == QLatin1Char(',');
}

struct Picture
{
    QString prefix;
    QString suffix;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
};

// Quoted text is literal; the first run of picture characters is the number.
Picture parsePicture(const QString& format)
{
    Picture p;
    bool inNumber = false;
    bool numberDone = false;
    bool afterPoint = false;
    QChar quote;
    for (const QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (numberDone || inNumber ? p.suffix : p.prefix) += c;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            if (inNumber) {
                inNumber = false;
                numberDone = true;
            }
            quote = c;
            continue;
        }
        if (!numberDone && isPictureChar(c)) {
            inNumber = true;
            if (c == QLatin1Char('.')) {
                afterPoint = true;
            } else if (c == QLatin1Char(',')) {
                p.grouping = true;
            } else if (afterPoint) {
                ++p.maxDecimals;
                if (c == QLatin1Char('0'))
                    p.minDecimals = p.maxDecimals;
            } else if (c == QLatin1Char('0')) {
                ++p.minIntegerDigits;
            }
            continue;
        }
        if (inNumber) {
            inNumber = false;
            numberDone = true;
        }
        (numberDone ? p.suffix : p.prefix) += c;
    }
    return p;
}

// Decimal digits of |value| rounded to `decimals` places, halves away from
// zero. The value is first taken to 9 decimals so that 2.675 (stored as
// 2.67499999...) rounds as the user reads it.
QString roundedDigits(double magnitude, int decimals)
{
    constexpr int kGuard = 9;
    if (decimals > kGuard || magnitude >= 9.0e9)
        return QString::number(magnitude, 'f', decimals);
    const qint64 scaled = std::llround(magnitude * 1e9);
    qint64 divisor = 1;
    for (int i = decimals; i < kGuard; ++i)
        divisor *= 10;
    qint64 q = scaled / divisor;
    if ((scaled % divisor) * 2 >= divisor)
        ++q;
    QString digits = QString::number(q);
    if (decimals == 0)
        return digits;
    if (digits.size() <= decimals)
        digits = QString(decimals - digits.size() + 1, QLatin1Char('0')) + digits;
    digits.insert(digits.size() - decimals, QLatin1Char('.'));
    return digits;
}

// The program uses a handful of pictures, each on every row it shows.
const Picture& pictureOf(const QString& format)
{
    static QHash<QString, Picture> pictures;
    auto it = pictures.constFind(format);
    if (it == pictures.constEnd())
        it = pictures.insert(format, parsePicture(format));
    return it.value();
}

} // namespace

QString formatFloat(const QString& format, double value, const QLocale& locale)
{
    if (!std::isfinite(value))
        return QString::number(value);
    const Picture& p = pictureOf(format);
    const QString digits = roundedDigits(std::fabs(value), p.maxDecimals);
    const bool isZero = std::none_of(digits.cbegin(), digits.cend(),
                                     [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); });
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    QStringView integerPart = point < 0 ? QStringView(digits) : QStringView(digits).left(point);
    QStringView decimalPart = point < 0 ? QStringView() : QStringView(digits).mid(point + 1);
    while (decimalPart.size() > p.minDecimals && decimalPart.endsWith(QLatin1Char('0')))
        decimalPart.chop(1);
    while (integerPart.startsWith(QLatin1Char('0')))
        integerPart = integerPart.mid(1);

    QString text;
    text.reserve(p.prefix.size() + p.suffix.size() + digits.size() + p.minIntegerDigits + 8);
    text += p.prefix;
    if (value < 0 && !isZero)
        text += QLatin1Char('-');
    const qsizetype width = std::max<qsizetype>(integerPart.size(), p.minIntegerDigits);
    const QString group = p.grouping ? locale.groupSeparator() : QString();
    for (qsizetype i = 0; i < width; ++i) {
        const qsizetype fromEnd = width - i;
        text +=
            fromEnd > integerPart.size() ? QLatin1Char('0') : integerPart.at(integerPart.size() - fromEnd);
        if (p.grouping && fromEnd > 1 && (fromEnd - 1) % 3 == 0)
            text += group;
    }
    if (!decimalPart.isEmpty()) {
        text += locale.decimalPoint();
        text += decimalPart;
    }
    text += p.suffix;
    return text;
}

QString plain(double value, const QLocale& locale)
{
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e')))
        return text;
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

std::optional<QString> canonicalDecimal(const QString& text)
{
    QString t = text.trimmed();
    const QString symbol = Money::currencySymbol();
    if (!symbol.isEmpty() && t.endsWith(symbol))
        t.chop(symbol.size());
    QString compact;
    compact.reserve(t.size());
    for (const QChar c : t)
        if (!c.isSpace() && c != QChar(0x202F) && c != QChar(0x00A0))
            compact += c;
    if (compact.isEmpty())
        return std::nullopt;
    // One separator is the decimal one; with both, the last is.
    const qsizetype comma = compact.lastIndexOf(QLatin1Char(','));
    const qsizetype point = compact.lastIndexOf(QLatin1Char('.'));
    if (comma >= 0 && point >= 0) {
        const QChar grouping = comma > point ? QLatin1Char('.') : QLatin1Char(',');
        compact.remove(grouping);
    }
    compact.replace(QLatin1Char(','), QLatin1Char('.'));
    return compact;
}

std::optional<double> parseDecimal(const QString& text)
{
    const std::optional<QString> compact = canonicalDecimal(text);
    if (!compact)
        return std::nullopt;
    bool ok = false;
    const double value = compact->toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace NumberFormat
