#include "LineChart.h"

#include <algorithm>
#include <cmath>
#include <QCategoryAxis>
#include <QHash>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>

namespace {
// Markers help to read a few points, and show a lone one at all.
constexpr int kMarkedPoints = 40;
} // namespace

LineChart::LineChart(QWidget* parent) : QChartView(parent), m_x(new QCategoryAxis), m_y(new QValueAxis)
{
    setRenderHint(QPainter::Antialiasing);
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 8, 4));
    chart->setLocalizeNumbers(true);
    chart->addAxis(m_x, Qt::AlignBottom);
    chart->addAxis(m_y, Qt::AlignLeft);
    m_x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_y->setLabelFormat(QStringLiteral("%.6g"));

    const struct
    {
        QColor colour;
        qreal width;
    } looks[Chart::SeriesCount] = {{QColor(0x1f, 0x5f, 0xbf), 3}, {QColor(0xa8, 0xd4, 0xff), 1},
                                   {QColor(0x2e, 0x9d, 0x4a), 1}, {QColor(0x2e, 0x9d, 0x4a), 1},
                                   {QColor(0xd9, 0x45, 0x3a), 1}, {QColor(0xd9, 0x45, 0x3a), 1},
                                   {Qt::transparent, 1},          {Qt::transparent, 1}};
    for (int i = 0; i < Chart::SeriesCount; ++i) {
        auto* line = new QLineSeries;
        line->setName(m_data.series[static_cast<std::size_t>(i)].title);
        line->setPen(QPen(looks[i].colour, looks[i].width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        chart->addSeries(line);
        line->attachAxis(m_x);
        line->attachAxis(m_y);
        line->setVisible(false);
        m_series[static_cast<std::size_t>(i)] = line;
    }
    setChart(chart);
    setMinimumSize(160, 120);
    setData(m_data);
}

void LineChart::setTitleShown(bool shown)
{
    m_titleShown = shown;
    chart()->setTitle(shown ? m_data.title : QString());
}

void LineChart::setData(const Chart::Data& data)
{
    m_data = data;
    m_labels = data.labels();
    QHash<QString, int> place;
    place.reserve(m_labels.size());
    for (int i = 0; i < m_labels.size(); ++i)
        place.insert(m_labels.at(i), i);

    for (int i = 0; i < Chart::SeriesCount; ++i) {
        const Chart::Series& s = data.series[static_cast<std::size_t>(i)];
        QList<QPointF> points;
        points.reserve(s.points.size());
        for (const Chart::Point& p : s.points)
            points.append(QPointF(place.value(p.label), p.value));
        QLineSeries* line = series(i);
        line->replace(points);
        // The limit points only widen the axis.
        const bool drawn = s.active && i != Chart::LimitMin && i != Chart::LimitMax;
        line->setVisible(drawn);
        line->setPointsVisible(drawn && i != Chart::ValueLine && points.size() <= kMarkedPoints);
        line->setMarkerSize(i == Chart::Value ? 8 : 5);
    }

    auto [low, high] = data.verticalRange();
    if (high <= low)
        high = low + 1;
    m_y->setRange(low, high);
    m_y->applyNiceNumbers();
    setTitleShown(m_titleShown);
    placeLabels();
}

// One label in every so many, so that they never overlap.
void LineChart::placeLabels()
{
    for (const QString& label : m_x->categoriesLabels())
        m_x->remove(label);
    const int count = static_cast<int>(m_labels.size());
    m_x->setStartValue(-0.5);
    m_x->setRange(-0.5, std::max(count, 1) - 0.5);
    if (count == 0)
        return;
    const QFontMetrics metrics(m_x->labelsFont());
    int widest = 0;
    // The labels of one chart are alike: a sample tells their width.
    for (int i = 0; i < count; i += std::max(1, count / 50))
        widest = std::max(widest, metrics.horizontalAdvance(m_labels.at(i)));
    const int room = std::max(1, width() - 90);
    const int step = std::max(1, static_cast<int>(std::ceil(double(count) * (widest + 14) / room)));
    for (int i = 0; i < count; i += step)
        m_x->append(m_labels.at(i), i);
}

void LineChart::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    placeLabels();
}

void LineChart::mouseDoubleClickEvent(QMouseEvent* event)
{
    QChartView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
