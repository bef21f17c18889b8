#include "Money.h"

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
    g_symbol = normalisedSymbol(QLocale::system().currencySymbol());
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
} // namespace Money
