#pragma once

#include <QString>
#include <QtGlobal>

namespace Money {
// The currency symbol used for the whole process: the system's, with the
// old French franc symbols replaced by the euro sign once the main window exists.
QString currencySymbol();
// Turns "F", "FF" or "FR" (any case) into "€"; an empty system symbol also
// gives "€", the currency of the households the program is written for.
void normaliseCurrencySymbol();
QString normalisedSymbol(const QString& systemSymbol);

// The display format of every money field: "#######0.00 " and the symbol.
QString displayFormat();

// A money amount in fixed point, 1/10 000 of the unit as the Currency
// columns keep it, so sums and differences of amounts are exact.
class Amount
{
public:
    static constexpr qint64 kUnitsPerWhole = 10000;

    constexpr Amount() = default;
    // Rounded to the nearest 1/10 000, halves away from zero.
    static Amount fromDouble(double value);
    static constexpr Amount fromUnits(qint64 units) { return Amount(units); }

    constexpr qint64 units() const { return m_units; }
    double toDouble() const { return static_cast<double>(m_units) / kUnitsPerWhole; }

    constexpr Amount operator+(Amount other) const { return Amount(m_units + other.m_units); }
    constexpr Amount operator-(Amount other) const { return Amount(m_units - other.m_units); }
    constexpr bool operator==(const Amount&) const = default;

private:
    constexpr explicit Amount(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};
} // namespace Money
