#include "ChartData.h"

#include "Dataset.h"
#include "FileUtils.h"
#include "Formats.h"

#include <algorithm>
#include <QSet>

namespace Chart {

Data::Data()
{
    static const char* const titles[SeriesCount] = {"Value", "Value_", "min",       "min",
                                                    "max",   "max",    "limit_min", "limit_max"};
    for (int i = 0; i < SeriesCount; ++i)
        series[static_cast<std::size_t>(i)].title = QString::fromLatin1(titles[i]);
}

void Data::activate(std::initializer_list<int> active)
{
    for (Series& s : series) {
        s.points.clear();
        s.active = false;
    }
    for (int i : active)
        series.at(static_cast<std::size_t>(i)).active = true;
}

QStringList Data::labels() const
{
    QStringList all;
    QSet<QString> seen;
    for (const Series& s : series)
        for (const Point& p : s.points)
            if (!seen.contains(p.label)) {
                seen.insert(p.label);
                all << p.label;
            }
    return all;
}

std::pair<double, double> Data::verticalRange() const
{
    bool any = false;
    double low = 0;
    double high = 1;
    const auto cover = [&](const QList<Point>& points) {
        for (const Point& p : points) {
            if (!any) {
                low = high = p.value;
                any = true;
            }
            low = std::min(low, p.value);
            high = std::max(high, p.value);
        }
    };
    for (const Series& s : series)
        if (s.active)
            cover(s.points);
    // The lowest and highest centiles bound the others.
    cover(centiles.curves.front());
    cover(centiles.curves.back());
    return {low, high};
}

void makeEmpty(Data& data)
{
    data.series[LimitMin].points = {{QStringLiteral("0"), 0}, {QStringLiteral("1"), 0}};
    data.series[LimitMax].points = {{QStringLiteral("0"), 1}};
}

QString proposedFileName(const QString& title, const QString& person, const QDate& day)
{
    QString first = title.section(QLatin1Char('\n'), 0, 0);
    first.remove(QLatin1Char('\r'));
    first.replace(QLatin1Char(' '), QLatin1Char('_'));
    const QString date = day.toString(Formats::shortDate).replace(QLatin1Char('/'), QLatin1Char('_'));
    return FileUtils::safeFileName(first + QStringLiteral("_(") + person + QStringLiteral(")_") + date +
                                   QStringLiteral(".jpg"));
}

QString personText(const Dataset& person)
{
    if (!person.isActive() || person.isEmpty())
        return {};
    const QString name = person.field(QStringLiteral("Name")).asString();
    const QString foreName = person.field(QStringLiteral("ForeName")).asString();
    return foreName.isEmpty() ? name : name + QLatin1Char(' ') + foreName;
}

} // namespace Chart
