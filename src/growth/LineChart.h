#pragma once

#include "ChartData.h"

#include <array>
#include <QChartView>
#include <QList>

class QAreaSeries;
class QGraphicsSimpleTextItem;
class QLineSeries;
class QValueAxis;

// A chart of the program on screen: the eight series of its data as lines
// (the curve thick, its copy thin over it, the range's two bounds thin in
// their own colours), the points evenly spaced with their labels under
// them, thinned out to what the width can show, and a vertical axis over
// every point of the active series, the two limit points included though
// they are not drawn. Reference centiles lie behind the curve as two light
// bands (3rd to 97th, 15th to 85th) and the median's line, with a small
// legend; a chart whose centiles could not be drawn says why on one line.
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
    // The line that says why no centile is drawn; empty when none is said.
    QString shownNote() const;
    // The bands and the median line as drawn (after thinning), for checks.
    QAreaSeries* centileBand(int index) const { return m_bands.at(static_cast<std::size_t>(index)); }
    QLineSeries* medianLine() const { return m_median; }

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
    std::array<QAreaSeries*, 2> m_bands{};                   // 3rd-97th, 15th-85th
    QLineSeries* m_median = nullptr;
    std::array<QLineSeries*, Chart::Centiles::Count> m_centileLines{}; // the bands' bounds and the median
    std::array<QList<QPointF>, Chart::Centiles::Count> m_centilePoints;
    QGraphicsSimpleTextItem* m_note = nullptr;
    int m_pointsWidth = -1; // the plot width the series were thinned for
    QValueAxis* m_x;
    QValueAxis* m_y;
    QList<QGraphicsSimpleTextItem*> m_labelItems;
    bool m_titleShown = false;
};
