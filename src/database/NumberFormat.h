#pragma once

#include <optional>
#include <QLocale>
#include <QString>

// Numbers as the user reads and types them: display formats written the way
// the record fields declare them ("#######0.00 €", "#######0.000 Kg"), and
// decimal input with either separator.
namespace NumberFormat {

// Formats with a picture of '0' (digit always shown), '#' (digit shown when
// significant), one '.' (decimal separator) and ',' (thousands grouping);
// every other character, and text in quotes, is kept as it stands. The
// separators are those of the locale; halves round away from zero.
QString formatFloat(const QString& format, double value, const QLocale& locale = QLocale());

// The plain text of a number: shortest exact form, locale decimal separator,
// no grouping ("12,5").
QString plain(double value, const QLocale& locale = QLocale());

// Reads a typed decimal: "12,50", "12.50", " 1 234,5 ", "-3", with or without
// the currency symbol after it. Empty or unreadable text gives nothing.
std::optional<double> parseDecimal(const QString& text);
// The same typed decimal with blanks, grouping and currency symbol taken
// away and "." as its decimal point ("-1234.5"), for readers that need its
// digits; nothing when the text is empty. The digits are not checked.
std::optional<QString> canonicalDecimal(const QString& text);

} // namespace NumberFormat
