#include "LineChart.h"

#include <algorithm>
#include <cmath>
#include <QGraphicsSimpleTextItem>
#include <QHash>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>

namespace {
// Markers help to read points that stand apart, and show a lone one at all.
constexpr qreal kMarkedSpacing = 14;
constexpr int kLabelGap = 12;
} // namespace

LineChart::LineChart(QWidget* parent) : QChartView(parent), m_x(new QValueAxis), m_y(new QValueAxis)
{
    setRenderHint(QPainter::Antialiasing);
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setLocalizeNumbers(true);
    chart->addAxis(m_x, Qt::AlignBottom);
    chart->addAxis(m_y, Qt::AlignLeft);
    // The chart writes its own labels under the points.
    m_x->setLabelsVisible(false);
    m_x->setTickType(QValueAxis::TicksDynamic);
    m_x->setTickAnchor(0);
    m_y->setLabelFormat(QStringLiteral("%.6g"));
    const int labelHeight = QFontMetrics(m_x->labelsFont()).height();
    chart->setMargins(QMargins(4, 4, 24, labelHeight + 2));

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
        line->setMarkerSize(i == Chart::Value ? 5 : 4);
        chart->addSeries(line);
        line->attachAxis(m_x);
        line->attachAxis(m_y);
        line->setVisible(false);
        m_series[static_cast<std::size_t>(i)] = line;
    }
    setChart(chart);
    setMinimumSize(160, 120);
    connect(chart, &QChart::plotAreaChanged, this, &LineChart::placeLabels);
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
        line->setVisible(s.active && i != Chart::LimitMin && i != Chart::LimitMax);
    }

    auto [low, high] = data.verticalRange();
    if (high <= low)
        high = low + 1;
    m_y->setRange(low, high);
    m_y->applyNiceNumbers();
    m_x->setRange(-0.5, std::max<qsizetype>(m_labels.size(), 1) - 0.5);
    setTitleShown(m_titleShown);
    placeLabels();
}

QStringList LineChart::shownLabels() const
{
    QStringList texts;
    for (const QGraphicsSimpleTextItem* item : m_labelItems)
        if (item->isVisible())
            texts << item->text();
    return texts;
}

// One label in every so many, so that they never overlap, each centred
// under its point; the vertical grid lines stand at the labelled points.
void LineChart::placeLabels()
{
    const QRectF plot = chart()->plotArea();
    const int count = static_cast<int>(m_labels.size());
    const QFontMetrics metrics(m_x->labelsFont());
    int widest = 0;
    // The labels of one chart are alike: a sample tells their width.
    for (int i = 0; i < count; i += std::max(1, count / 50))
        widest = std::max(widest, metrics.horizontalAdvance(m_labels.at(i)));
    const qreal spacing = count > 0 ? plot.width() / count : plot.width();
    const int step = std::max(1, static_cast<int>(std::ceil((widest + kLabelGap) / std::max<qreal>(spacing, 1))));
    m_x->setTickInterval(step);
    const bool marked = spacing >= kMarkedSpacing;
    for (int i : {int(Chart::Value), int(Chart::MinLine), int(Chart::MaxLine)})
        series(i)->setPointsVisible(marked);

    int used = 0;
    for (int i = 0; i < count && plot.width() > 0; i += step, ++used) {
        if (used == m_labelItems.size()) {
            auto* item = new QGraphicsSimpleTextItem(chart());
            item->setFont(m_x->labelsFont());
            item->setBrush(m_x->labelsBrush());
            m_labelItems << item;
        }
        QGraphicsSimpleTextItem* item = m_labelItems.at(used);
        item->setText(m_labels.at(i));
        const qreal x = plot.left() + (i + 0.5) * spacing;
        item->setPos(x - metrics.horizontalAdvance(m_labels.at(i)) / 2.0, plot.bottom() + 3);
        item->setVisible(true);
    }
    for (int i = used; i < m_labelItems.size(); ++i)
        m_labelItems.at(i)->setVisible(false);
}

void LineChart::mouseDoubleClickEvent(QMouseEvent* event)
{
    QChartView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
