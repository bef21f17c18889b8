#include "JetDate.h"

#include <cmath>
#include <cstdio>

namespace JetDate {
namespace {

const QDate kEpoch(1899, 12, 30);
constexpr int kSecondsPerDay = 86400;
// 1/1/100 and 31/12/9999, as days from the epoch.
constexpr double kFirstDay = -657434;
constexpr double kLastDay = 2958465;

} // namespace

std::optional<DateTime> fromDays(double days)
{
    if (!std::isfinite(days) || days < kFirstDay || days >= kLastDay + 1)
        return std::nullopt;
    const double whole = std::trunc(days);
    auto seconds = static_cast<int>(std::lround(std::fabs(days - whole) * kSecondsPerDay));
    qint64 day = static_cast<qint64>(whole);
    // A time that rounds up to midnight is the next day's first second.
    if (seconds == kSecondsPerDay) {
        seconds = 0;
        ++day;
    }
    const QDate date = kEpoch.addDays(day);
    if (date.year() > 9999)
        return std::nullopt;
    return DateTime{date, seconds};
}

QString isoText(const DateTime& value)
{
    // Written on every date of every row converted: no formatting machinery.
    char text[24];
    const QDate& d = value.date;
    int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year(), d.month(), d.day());
    if (value.seconds != 0)
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), " %02d:%02d:%02d",
                           value.seconds / 3600, value.seconds / 60 % 60, value.seconds % 60);
    return QString::fromLatin1(text, n);
}

double toDays(const QDate& date, int seconds)
{
    const qint64 day = kEpoch.daysTo(date);
    const double time = static_cast<double>(seconds) / kSecondsPerDay;
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

} // namespace JetDate
