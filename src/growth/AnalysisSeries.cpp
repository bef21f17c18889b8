#include "AnalysisSeries.h"

#include "Formats.h"

#include <algorithm>
#include <QHash>

namespace AnalysisSeries {

QString chartTitle(const QString& analysisTitle)
{
    return QStringLiteral("Evolution des analyses : ") + analysisTitle;
}

Chart::Data build(int mode, const QList<Result>& results)
{
    Chart::Data data;
    data.title = chartTitle(QString());
    data.activate(
        {Chart::Value, Chart::ValueLine, Chart::MinLine, Chart::MaxLine, Chart::LimitMin, Chart::LimitMax});
    if (results.isEmpty()) {
        Chart::makeEmpty(data);
        return data;
    }
    QList<Chart::Point>& values = data.series[Chart::Value].points;
    QList<Chart::Point>& minima = data.series[Chart::MinLine].points;
    QList<Chart::Point>& maxima = data.series[Chart::MaxLine].points;
    QHash<QString, qsizetype> positions;
    double lowest = results.constFirst().value;
    double highest = lowest;
    for (const Result& r : results) {
        const QString label =
            mode == Dates ? r.date.toString(Formats::shortDate) : r.date.toString(QStringLiteral("yyyy"));
        const auto at = positions.constFind(label);
        if (at == positions.constEnd()) {
            positions.insert(label, values.size());
            values.append({label, r.value});
            minima.append({label, r.minimum});
            maxima.append({label, r.maximum});
        } else {
            values[*at].value = std::max(values[*at].value, r.value);
            minima[*at].value = std::max(minima[*at].value, r.minimum);
            maxima[*at].value = std::max(maxima[*at].value, r.maximum);
        }
        lowest = std::min({lowest, r.value, r.minimum});
        highest = std::max({highest, r.value, r.maximum});
    }
    data.series[Chart::ValueLine].points = values;
    const QString first = values.constFirst().label;
    data.series[Chart::LimitMin].points = {{first, lowest - 1}};
    data.series[Chart::LimitMax].points = {{first, highest + 1}};
    return data;
}

ValueFormats formats(int decimals, const QString& unit)
{
    QString edit = QStringLiteral("0");
    if (decimals > 0)
        edit += QLatin1Char('.') + QString(std::min(decimals, 9), QLatin1Char('0'));
    if (unit.isEmpty())
        return {edit, edit};
    // The unit is quoted so that its characters never read as digits.
    const QChar quote = unit.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
    return {edit, edit + QLatin1Char(' ') + quote + unit + quote};
}

} // namespace AnalysisSeries
