#pragma once

#include <QString>

namespace Money {
// The currency symbol used for the whole process: the system's, with the
// old French franc symbols replaced by the euro sign once the main window exists.
QString currencySymbol();
// Turns "F", "FF" or "FR" (any case) into "€"; an empty system symbol also
// gives "€", the currency of the households the program is written for.
void normaliseCurrencySymbol();
QString normalisedSymbol(const QString& systemSymbol);
} // namespace Money
