#include "Assessment.h"

#include <algorithm>
#include <cmath>

namespace GrowthReference {
namespace {
constexpr int kPairingDays = 7;
} // namespace

QString Assessment::centileText() const
{
    if (centile < 1)
        return QStringLiteral("P < 1");
    if (centile > 99)
        return QStringLiteral("P > 99");
    return QStringLiteral("P %1").arg(std::lround(centile));
}

QString Assessment::zText() const
{
    const double shown = std::round(z * 100) / 100;
    const QString digits =
        QString::number(std::abs(shown), 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
    return QStringLiteral("z ") + (shown < 0 ? QLatin1Char('-') : QLatin1Char('+')) + digits;
}

QString Assessment::text() const
{
    return centileText() + QStringLiteral(" (") + zText() + QLatin1Char(')');
}

std::optional<QDate> birthDate(const QString& text)
{
    if (text.size() != 10 || text.at(2) != QLatin1Char('/') || text.at(5) != QLatin1Char('/'))
        return std::nullopt;
    int parts[3] = {};
    const QStringView digits[3] = {QStringView(text).mid(0, 2), QStringView(text).mid(3, 2),
                                   QStringView(text).mid(6, 4)};
    for (int i = 0; i < 3; ++i) {
        for (const QChar c : digits[i])
            if (!c.isDigit() || c.unicode() > '9')
                return std::nullopt;
        parts[i] = digits[i].toInt();
    }
    const QDate date(parts[2], parts[1], parts[0]);
    if (!date.isValid() || date.year() < 1900 || date.year() > 2099)
        return std::nullopt;
    return date;
}

std::optional<Assessment> assess(ReferenceTables& tables, Indicator indicator, Sex sex, const QDate& birth,
                                 const Measure& measure)
{
    if (!birth.isValid() || !measure.date.isValid() || !(measure.value > 0))
        return std::nullopt;
    const qint64 age = birth.daysTo(measure.date);
    if (age < 0)
        return std::nullopt;
    const std::optional<AtAge> reference = tables.at(indicator, sex, static_cast<int>(age));
    if (!reference)
        return std::nullopt;
    // Length and height are near normal: only weight and BMI have the long
    // tail the WHO's restricted application is for.
    const double z = indicator == Indicator::Height ? Lms::zScore(reference->lms, measure.value)
                                                    : Lms::adjustedZScore(reference->lms, measure.value);
    return Assessment{z, Lms::centile(z), reference->lying};
}

double bodyMassIndex(double weightKg, double heightCm)
{
    const double metres = heightCm / 100;
    return weightKg / (metres * metres);
}

std::optional<double> nearestWithinAWeek(const QList<Measure>& others, const QDate& day)
{
    const auto after = std::lower_bound(others.cbegin(), others.cend(), day,
                                        [](const Measure& m, const QDate& d) { return m.date < d; });
    std::optional<double> best;
    qint64 bestDistance = kPairingDays + 1;
    const auto consider = [&](QList<Measure>::const_iterator at) {
        const qint64 distance = std::abs(at->date.daysTo(day));
        if (distance < bestDistance && at->value > 0) {
            bestDistance = distance;
            best = at->value;
        }
    };
    // The earlier side first, so that it wins a tie.
    for (auto at = after; at != others.cbegin() && (at - 1)->date.daysTo(day) <= kPairingDays;)
        consider(--at);
    for (auto at = after; at != others.cend() && day.daysTo(at->date) <= kPairingDays; ++at)
        consider(at);
    return best;
}

QList<Measure> bodyMassIndices(const QList<Measure>& weights, const QList<Measure>& heights)
{
    QList<Measure> indices;
    for (const Measure& weight : weights) {
        const std::optional<double> height = nearestWithinAWeek(heights, weight.date);
        if (height && weight.value > 0)
            indices.append({weight.date, bodyMassIndex(weight.value, *height)});
    }
    return indices;
}

} // namespace GrowthReference
