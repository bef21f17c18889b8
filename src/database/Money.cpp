#include "Money.h"

#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <QLocale>

namespace Money {
namespace {
QString g_symbol = QLocale::system().currencySymbol();
}

QString currencySymbol()
{
    return g_symbol;
}

QString normalisedSymbol(const QString& systemSymbol)
{
    const QString upper = systemSymbol.toUpper();
    if (upper.isEmpty() || upper == QLatin1String("F") || upper == QLatin1String("FF") ||
        upper == QLatin1String("FR"))
        return QStringLiteral("€");
    return systemSymbol;
}

void normaliseCurrencySymbol()
{
    normaliseCurrencySymbol(QLocale::system().currencySymbol());
}

void normaliseCurrencySymbol(const QString& systemSymbol)
{
    g_symbol = normalisedSymbol(systemSymbol);
}

QString displayFormat()
{
    return QStringLiteral("#######0.00 ") + currencySymbol();
}

// Taken to 9 decimals first, so that 12.34565 (stored as 12.3456499...)
// rounds as the user typed it.
Amount Amount::fromDouble(double value)
{
    if (std::fabs(value) >= 9.0e9)
        return Amount(static_cast<qint64>(std::llround(value * kUnitsPerWhole)));
    constexpr qint64 kGuard = 100000; // 1e9 / kUnitsPerWhole
    const qint64 nano = std::llround(value * 1e9);
    return Amount((nano + (nano < 0 ? -kGuard / 2 : kGuard / 2)) / kGuard);
}

QString Amount::decimalText() const
{
    const qint64 magnitude = m_units < 0 ? -m_units : m_units;
    QString text = QString::number(magnitude / kUnitsPerWhole);
    QString decimals = QStringLiteral("%1").arg(magnitude % kUnitsPerWhole, 4, 10, QLatin1Char('0'));
    while (decimals.endsWith(QLatin1Char('0')))
        decimals.chop(1);
    if (!decimals.isEmpty())
        text += QLatin1Char('.') + decimals;
    return m_units < 0 ? QLatin1Char('-') + text : text;
}

std::optional<Amount> parse(const QString& text)
{
    const std::optional<QString> canonical = NumberFormat::canonicalDecimal(text);
    if (!canonical)
        return std::nullopt;
    QStringView digits(*canonical);
    bool negative = false;
    if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))) {
        negative = digits.front() == QLatin1Char('-');
        digits = digits.mid(1);
    }
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    const QStringView whole = point < 0 ? digits : digits.left(point);
    const QStringView fraction = point < 0 ? QStringView() : digits.mid(point + 1);
    constexpr qsizetype kMaxWholeDigits = 14; // 10^14 units of 1/10 000 stay far within 64 bits
    if ((whole.isEmpty() && fraction.isEmpty()) || whole.size() > kMaxWholeDigits)
        return std::nullopt;
    const auto allDigits = [](QStringView v) {
        return std::all_of(v.begin(), v.end(),
                           [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    };
    if (!allDigits(whole) || !allDigits(fraction))
        return std::nullopt;

    qint64 units = 0;
    for (const QChar c : whole)
        units = units * 10 + (c.unicode() - '0');
    for (int i = 0; i < 4; ++i)
        units = units * 10 + (i < fraction.size() ? fraction[i].unicode() - '0' : 0);
    if (fraction.size() > 4 && fraction[4] >= QLatin1Char('5'))
        ++units;
    return Amount::fromUnits(negative ? -units : units);
}

QString composedText(Amount amount)
{
    // Rounded to the cent, halves away from zero.
    const qint64 magnitude = amount.units() < 0 ? -amount.units() : amount.units();
    const qint64 cents = (magnitude + 50) / 100;
    const bool negative = amount.units() < 0 && cents != 0;
    const QString number = QStringLiteral("%1%2.%3")
                               .arg(negative ? QStringLiteral("-") : QString())
                               .arg(cents / 100)
                               .arg(cents % 100, 2, 10, QLatin1Char('0'));
    return number + QLatin1Char(' ') + currencySymbol();
}
} // namespace Money
