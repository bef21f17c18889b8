#include "JetDate.h"

#include <cmath>

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
    return DateTime{kEpoch.addDays(day), seconds};
}

QString isoText(const DateTime& value)
{
    const QDate& d = value.date;
    QString text = QStringLiteral("%1-%2-%3")
                       .arg(d.year(), 4, 10, QLatin1Char('0'))
                       .arg(d.month(), 2, 10, QLatin1Char('0'))
                       .arg(d.day(), 2, 10, QLatin1Char('0'));
    if (value.seconds != 0)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(value.seconds / 3600, 2, 10, QLatin1Char('0'))
                    .arg(value.seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(value.seconds % 60, 2, 10, QLatin1Char('0'));
    return text;
}

double toDays(const QDate& date, int seconds)
{
    const qint64 day = kEpoch.daysTo(date);
    const double time = static_cast<double>(seconds) / kSecondsPerDay;
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

} // namespace JetDate
