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

// The centile curves at the points, each at the age of the value it shows.
void addCentiles(Chart::Data& data, const QList<Chart::Point>& points, const QList<QDate>& days,
                 const Input& input)
{
    using namespace GrowthReference;
    const Indicator indicator = *input.reference;
    const std::optional<QDate> birth = birthDate(input.birthDate);
    Chart::Centiles& centiles = data.centiles;
    if (input.sex == Sex::Unknown) {
        centiles.note = QStringLiteral("Pas de centiles : sexe non renseigné");
        return;
    }
    if (!birth) {
        centiles.note = QStringLiteral("Pas de centiles : date de naissance non renseignée");
        return;
    }
    bool unreadable = false;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const qint64 age = birth->daysTo(days.at(i));
        if (age < 0 || age > ReferenceTables::lastDay(indicator))
            continue;
        const std::optional<AtAge> at = input.tables->at(indicator, input.sex, static_cast<int>(age));
        if (!at) {
            unreadable = true;
            continue;
        }
        for (std::size_t k = 0; k < kCurveZ.size(); ++k)
            centiles.curves.at(k).append({points.at(i).label, Lms::valueAt(at->lms, kCurveZ.at(k))});
    }
    // A lone point (the birth of an adult, say) makes no band.
    if (centiles.curves.front().size() >= 2)
        return;
    centiles.curves = {};
    if (unreadable)
        centiles.note = QStringLiteral("Pas de centiles : tables de l'OMS illisibles");
    else
        centiles.note = QStringLiteral("Pas de centiles : âges hors de 0 à %1 ans")
                            .arg(ReferenceTables::lastDay(indicator) / 365);
}
} // namespace

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
    QList<QDate> days; // of the value each pair keeps
    QHash<QString, qsizetype> positions;
    const auto add = [&](const QString& text, double value, const QDate& day) {
        const auto at = positions.constFind(text);
        if (at == positions.constEnd()) {
            positions.insert(text, pairs.size());
            pairs.append({text, value});
            days.append(day);
        } else if (value > pairs.at(*at).value) {
            pairs[*at].value = value;
            days[*at] = day;
        }
    };

    QDate reference;
    const std::optional<QDate> birth = birthDate(input.birthDate);
    const std::optional<double> birthValue = NumberFormat::parseDecimal(input.birthValue);
    if (birth && birthValue) {
        add(input.mode == Dates ? input.birthDate : kBirth, *birthValue, *birth);
        reference = *birth;
    }

    std::optional<double> minimum;
    std::optional<double> maximum;
    for (const Measurement& m : input.measurements) {
        if (!reference.isValid())
            reference = m.date;
        add(label(input.mode, reference, m.date), m.value, m.date);
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
    if (input.reference)
        addCentiles(data, pairs, days, input);
    return data;
}

} // namespace GrowthSeries
