#pragma once

#include <optional>
#include <QDate>
#include <QString>

// Jet keeps a date and time as a double: days since 30/12/1899, the
// fraction being the time of day. For a value below zero the whole part
// counts days back while the fraction's absolute value is still the time of
// day (-1.25 is 29/12/1899 06:00). Converted here rather than by libmdb,
// whose own conversion gives up before 1899 and after 2737.
namespace JetDate {

struct DateTime
{
    QDate date;
    int seconds = 0; // since midnight, rounded to the second
};

// Nothing for a value outside the years 100 to 9999, the engine's range.
std::optional<DateTime> fromDays(double days);

// "yyyy-mm-dd", with " hh:mm:ss" after it when the time is not midnight:
// the program keeps dates as ISO text.
QString isoText(const DateTime& value);

// The other way, for a day at midnight plus `seconds`.
double toDays(const QDate& date, int seconds = 0);

} // namespace JetDate
