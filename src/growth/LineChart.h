#pragma once

#include "ChartData.h"

#include <array>
#include <QChartView>
#include <QList>

class QGraphicsSimpleTextItem;
class QLineSeries;
class QValueAxis;

// A chart of the program on screen: the eight series of its data as lines
// (the curve thick, its copy thin over it, the range's two bounds thin in
// their own colours), the points evenly spaced with their labels under
// them, thinned out to what the width can show, and a vertical axis over
// every point of the active series, the two limit points included though
// they are not drawn.
class LineChart : public QChartView
{
    Q_OBJECT
public:
    explicit LineChart(QWidget* parent = nullptr);

    void setData(const Chart::Data& data);
    const Chart::Data& data() const { return m_data; }
    // The title is shown on copies and in the windows, not on the pages,
    // whose boxes already name the chart.
    void setTitleShown(bool shown);

    QLineSeries* series(int index) const { return m_series.at(static_cast<std::size_t>(index)); }
    // The labels written under the points, left to right.
    QStringList shownLabels() const;

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void placeLabels();
    void placePoints();

    Chart::Data m_data;
    QStringList m_labels;
    std::array<QLineSeries*, Chart::SeriesCount> m_series{};
    std::array<QList<QPointF>, Chart::SeriesCount> m_points; // every point, before thinning
    int m_pointsWidth = -1; // the plot width the series were thinned for
    QValueAxis* m_x;
    QValueAxis* m_y;
    QList<QGraphicsSimpleTextItem*> m_labelItems;
    bool m_titleShown = false;
};
