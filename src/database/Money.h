#pragma once

#include <optional>
#include <QString>
#include <QtGlobal>

namespace Money {
// The currency symbol used for the whole process: the system's, with the
// old French franc symbols replaced by the euro sign once the main window exists.
QString currencySymbol();
// Turns "F", "FF" or "FR" (any case) into "€"; an empty system symbol also
// gives "€", the currency of the households the program is written for.
void normaliseCurrencySymbol();
// The same from a given system symbol (a system set to the old francs, in tests).
void normaliseCurrencySymbol(const QString& systemSymbol);
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
    // The exact decimal text, "." as decimal point, no needless zeros: "12.5", "-0.0001", "3".
    QString decimalText() const;

    constexpr Amount operator+(Amount other) const { return Amount(m_units + other.m_units); }
    constexpr Amount operator-(Amount other) const { return Amount(m_units - other.m_units); }
    constexpr bool operator==(const Amount&) const = default;

private:
    constexpr explicit Amount(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};

// Reads an amount as the user types it: "12,50", "12.50", "-3", "1 234,5",
// with or without the currency symbol after it. Exact to 1/10 000 (further
// decimals round halves away from zero); no exponent, no more than 14
// integer digits. Empty or unreadable text gives nothing.
std::optional<Amount> parse(const QString& text);

// An amount in the texts the program composes itself: two decimals, "."
// as decimal point, no leading blanks, a blank and the currency symbol ("12.50 €").
QString composedText(Amount amount);
} // namespace Money
