// The chart widget on its own: many points drawn through each column's
// extremes, the centile bands placed at their points' labels.
#include "LineChart.h"

#include "ChartData.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QAreaSeries>
#include <QLineSeries>

namespace {

// Drawn off screen at a page chart's size.
void showWith(LineChart& chart, const Chart::Data& data)
{
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    chart.resize(400, 300);
    chart.show();
    chart.setData(data);
    QApplication::processEvents();
}

TEST(LineCharts, ManyMorePointsThanPixelsAreDrawnThroughEachColumnsExtremes)
{
    Chart::Data data;
    data.activate({Chart::Value, Chart::ValueLine});
    for (int i = 0; i < 10000; ++i)
        data.series[Chart::Value].points.append(
            {QString::number(i), i == 5003 ? 500.0 : (i == 7001 ? -80.0 : i % 10)});
    LineChart chart;
    showWith(chart, data);
    QList<QPointF> drawn = chart.series(Chart::Value)->points();
    EXPECT_LT(drawn.size(), 2000);
    EXPECT_EQ(drawn.constFirst(), QPointF(0, 0));
    EXPECT_EQ(drawn.constLast(), QPointF(9999, 9));
    EXPECT_TRUE(drawn.contains(QPointF(5003, 500)));
    EXPECT_TRUE(drawn.contains(QPointF(7001, -80)));
    EXPECT_EQ(chart.data().series[Chart::Value].points.size(), 10000) << "the data keep every point";
    EXPECT_LE(chart.shownLabels().size(), 20);
    EXPECT_EQ(chart.shownLabels().constFirst(), QStringLiteral("0"));
}

TEST(LineCharts, CentileBandsStandAtTheLabelsOfThePointsTheyBelongTo)
{
    Chart::Data data;
    data.activate({Chart::Value, Chart::ValueLine});
    for (const char* label : {"01/05/2004", "Naissance", "1 mois", "2 mois"})
        data.series[Chart::Value].points.append({QString::fromLatin1(label), 3});
    for (std::size_t k = 0; k < data.centiles.curves.size(); ++k)
        for (const char* label : {"Naissance", "2 mois"})
            data.centiles.curves.at(k).append({QString::fromLatin1(label), 2.0 + static_cast<double>(k)});
    LineChart chart;
    showWith(chart, data);
    EXPECT_EQ(chart.centileBand(0)->upperSeries()->points(), (QList<QPointF>{{1, 6}, {3, 6}}));
    EXPECT_EQ(chart.centileBand(0)->lowerSeries()->points(), (QList<QPointF>{{1, 2}, {3, 2}}));
    EXPECT_EQ(chart.centileBand(1)->upperSeries()->points(), (QList<QPointF>{{1, 5}, {3, 5}}));
    EXPECT_EQ(chart.medianLine()->points(), (QList<QPointF>{{1, 4}, {3, 4}}));
    EXPECT_TRUE(chart.medianLine()->isVisible());
    EXPECT_EQ(chart.data().verticalRange(), std::pair(2.0, 6.0));
}

} // namespace
