#pragma once

#include "Money.h"
#include "Schema.h"

#include <optional>
#include <QDate>
#include <QVariant>

// How a dataset reads and writes a field's value, whatever form the value
// has: as fetched (SQLite's integer, real, text or blob; dates as ISO text),
// or as a caller set it in the edit buffer (a typed text, a number, a date,
// a boolean). Readers never fail: a value that does not read gives 0, false
// or an invalid date.
namespace DatasetValues {

using Type = Schema::ColumnType;

bool isInteger(Type type);
bool isNumeric(Type type); // integers, reals and money
bool isNull(const QVariant& value);
bool isNumber(const QVariant& value); // held as a number, not as text

// Dates as dd/mm/yyyy, numbers with the locale's separator, Yes/No as Oui/Non.
QString text(const QVariant& value, Type type);
std::optional<double> number(const QVariant& value); // a typed text reads as the user meant it
int integer(const QVariant& value);                  // rounded
Money::Amount money(const QVariant& value);          // a typed amount from its digits, never through double
QDate date(const QVariant& value);                   // ISO text, or dd/mm/yyyy as typed
bool boolean(const QVariant& value);
QByteArray bytes(const QVariant& value, Type type);
// The text with a display or edit format: numbers through the format when
// there is one, anything else as text().
QString formatted(const QVariant& value, Type type, const QString& format);

// "yyyy-mm-dd" at the start of a text, read digit by digit (dates are read
// on every row shown); an invalid date when it is not that.
QDate isoDate(QStringView text);
QString shortDateText(const QDate& date); // dd/mm/yyyy

// Whether a stored value is the one a caller looks for: numbers and dates
// compared as such, anything else by its text.
bool sameValue(const QVariant& stored, const QVariant& wanted, Type type);

// The column type of a value whose column the schema does not know.
Type typeOfValue(QMetaType type);

// The form a column keeps the value in: integers, exact money as decimal
// text, 1 or 0 for Yes/No, dates as ISO text, texts within their size.
// Throws DatabaseError naming the field by `label` for a value the column
// cannot take.
QVariant toStorage(const QVariant& value, Type type, int size, const QString& label);

} // namespace DatasetValues
