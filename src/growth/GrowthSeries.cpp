#include "GrowthSeries.h"

#include "Formats.h"
#include "NumberFormat.h"

#include <algorithm>
#include <QHash>

namespace GrowthSeries {
namespace {
const QString kBirth = QStringLiteral("Naissance");

bool reached(const QDate& reference, const QDate& date)
{
    return std::pair(date.month(), date.day()) >= std::pair(reference.month(), reference.day());
}
} // namespace

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

int ageInYears(const QDate& reference, const QDate& date)
{
    return date.year() - reference.year() - (reached(reference, date) ? 0 : 1);
}

int ageInMonths(const QDate& reference, const QDate& date)
{
    return (date.year() - reference.year()) * 12 + date.month() - reference.month();
}

QString label(int mode, const QDate& reference, const QDate& date)
{
    const bool beforeReference = date < reference;
    switch (mode) {
    case Dates:
        return date.toString(Formats::shortDate);
    case Years:
        return beforeReference ? date.toString(Formats::shortDate)
                               : QString::number(ageInYears(reference, date)) + QStringLiteral(" ans");
    case Months:
        return beforeReference ? date.toString(Formats::shortDate)
                               : QString::number(ageInMonths(reference, date)) + QStringLiteral(" mois");
    default:
        return kBirth;
    }
}

Chart::Data build(const Input& input)
{
    QList<Chart::Point> pairs;
    QHash<QString, qsizetype> positions;
    const auto add = [&](const QString& text, double value) {
        const auto at = positions.constFind(text);
        if (at == positions.constEnd()) {
            positions.insert(text, pairs.size());
            pairs.append({text, value});
        } else {
            double& kept = pairs[*at].value;
            kept = std::max(kept, value);
        }
    };

    QDate reference;
    const std::optional<QDate> birth = birthDate(input.birthDate);
    const std::optional<double> birthValue = NumberFormat::parseDecimal(input.birthValue);
    if (birth && birthValue) {
        add(input.mode == Dates ? input.birthDate : kBirth, *birthValue);
        reference = *birth;
    }

    std::optional<double> minimum;
    std::optional<double> maximum;
    for (const Measurement& m : input.measurements) {
        if (!reference.isValid())
            reference = m.date;
        add(label(input.mode, reference, m.date), m.value);
        minimum = input.margins.low == 0 ? 0.0 : std::min(minimum.value_or(m.value), m.value);
        maximum = std::max(maximum.value_or(m.value), m.value);
    }

    Chart::Data data;
    data.activate({Chart::Value, Chart::ValueLine, Chart::LimitMin, Chart::LimitMax});
    if (minimum && *minimum >= 1)
        *minimum -= input.margins.low;
    if (maximum)
        *maximum += input.margins.high;
    if (pairs.size() < 2) {
        Chart::makeEmpty(data);
        return data;
    }
    const QString first = pairs.constFirst().label;
    if (minimum)
        data.series[Chart::LimitMin].points.append({first, *minimum});
    if (maximum)
        data.series[Chart::LimitMax].points.append({first, *maximum});
    data.series[Chart::Value].points = pairs;
    data.series[Chart::ValueLine].points = pairs;
    return data;
}

} // namespace GrowthSeries
