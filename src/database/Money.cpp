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

Amount Amount::fromDouble(double value)
{
    return Amount(static_cast<qint64>(std::llround(value * kUnitsPerWhole)));
}
} // namespace Money
