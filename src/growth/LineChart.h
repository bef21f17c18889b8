#pragma once

#include "ChartData.h"

#include <array>
#include <QChartView>

class QCategoryAxis;
class QLineSeries;
class QValueAxis;

// A chart of the program on screen: the eight series of its data as lines
// (the curve thick, its copy thin over it, the range's two bounds thin in
// their own colours), the points evenly spaced with their labels along the
// horizontal axis, thinned out to what the width can show, and a vertical
// axis over every point of the active series, the two limit points
// included though they are not drawn.
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
    QCategoryAxis* horizontalAxis() const { return m_x; }
    QValueAxis* verticalAxis() const { return m_y; }

signals:
    void doubleClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void placeLabels();

    Chart::Data m_data;
    QStringList m_labels;
    std::array<QLineSeries*, Chart::SeriesCount> m_series{};
    QCategoryAxis* m_x;
    QValueAxis* m_y;
    bool m_titleShown = false;
};
