#include "LineChart.h"

#include <algorithm>
#include <cmath>
#include <QAreaSeries>
#include <QGraphicsSimpleTextItem>
#include <QHash>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>

namespace {
// Markers help to read points that stand apart, and show a lone one at all.
constexpr qreal kMarkedSpacing = 14;
constexpr int kLabelGap = 12;
constexpr qreal kLegendWidth = 280;
const QColor kCentileColour(0x3c, 0x9a, 0x64);

// A line of far more points than the plot has pixel columns looks the same
// drawn through the first, lowest, highest and last point of each column:
// that is what is drawn, at a fraction of the cost.
QList<QPointF> thinned(const QList<QPointF>& points, int columns, qreal xMin, qreal xMax)
{
    if (columns <= 0 || points.size() <= 4 * columns || xMax <= xMin)
        return points;
    QList<QPointF> kept;
    kept.reserve(4 * columns + 4);
    const qreal perColumn = (xMax - xMin) / columns;
    qsizetype start = 0;
    while (start < points.size()) {
        const int column = static_cast<int>((points.at(start).x() - xMin) / perColumn);
        qsizetype end = start;
        qsizetype low = start;
        qsizetype high = start;
        while (end < points.size() && static_cast<int>((points.at(end).x() - xMin) / perColumn) == column) {
            if (points.at(end).y() < points.at(low).y())
                low = end;
            if (points.at(end).y() > points.at(high).y())
                high = end;
            ++end;
        }
        kept.append(points.at(start));
        for (qsizetype i : {std::min(low, high), std::max(low, high)})
            if (i != start && i != end - 1)
                kept.append(points.at(i));
        if (end - 1 != start)
            kept.append(points.at(end - 1));
        start = end;
    }
    return kept;
}

// A centile curve changes slowly from one point to the next: one point every
// few pixel columns draws it the same, and keeps the bands' shapes cheap to fill.
QList<QPointF> sampled(const QList<QPointF>& points, int columns, qreal xMin, qreal xMax)
{
    constexpr int kPixelsPerPoint = 3;
    const int kept = std::max(2, columns / kPixelsPerPoint);
    if (points.size() <= kept || xMax <= xMin)
        return points;
    QList<QPointF> result;
    result.reserve(kept + 1);
    const qreal step = (xMax - xMin) / kept;
    qreal next = points.constFirst().x();
    for (const QPointF& p : points)
        if (p.x() >= next) {
            result.append(p);
            next = p.x() + step;
        }
    if (result.constLast() != points.constLast())
        result.append(points.constLast());
    return result;
}
} // namespace

// The chart is given to the view as it is made: a view made without one makes
// its own, which setChart() later lets go of without deleting it.
LineChart::LineChart(QWidget* parent)
    : QChartView(new QChart, parent), m_x(new QValueAxis), m_y(new QValueAxis)
{
    setRenderHint(QPainter::Antialiasing);
    QChart* chart = this->chart();
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

    // The centiles first, so that the curve is drawn over them.
    for (QLineSeries*& line : m_centileLines)
        line = new QLineSeries(this);
    const struct
    {
        const char* name;
        int alpha;
    } bands[2] = {{"P3-P97", 40}, {"P15-P85", 55}};
    for (std::size_t i = 0; i < m_bands.size(); ++i) {
        auto* band = new QAreaSeries(m_centileLines.at(4 - i), m_centileLines.at(i));
        band->setName(QString::fromLatin1(bands[i].name));
        QColor fill = kCentileColour;
        fill.setAlpha(bands[i].alpha);
        band->setBrush(fill);
        band->setPen(Qt::NoPen);
        m_bands.at(i) = band;
    }
    m_median = m_centileLines.at(2);
    m_median->setName(QStringLiteral("P50 OMS"));
    m_median->setPen(QPen(kCentileColour.darker(115), 1.5));
    const std::array<QAbstractSeries*, 3> drawn{m_bands[0], m_bands[1], m_median};
    for (QAbstractSeries* centile : drawn) {
        chart->addSeries(centile);
        centile->attachAxis(m_x);
        centile->attachAxis(m_y);
        centile->setVisible(false);
    }
    QFont small = chart->legend()->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    chart->legend()->setFont(small);
    chart->legend()->setAlignment(Qt::AlignTop);

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
        line->setPen(QPen(looks[i].colour, looks[i].width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        line->setMarkerSize(i == Chart::Value ? 5 : 4);
        chart->addSeries(line);
        line->attachAxis(m_x);
        line->attachAxis(m_y);
        line->setVisible(false);
        m_series[static_cast<std::size_t>(i)] = line;
    }
    m_note = new QGraphicsSimpleTextItem(chart);
    m_note->setFont(small);
    m_note->setBrush(QColor(0x60, 0x60, 0x60));
    m_note->setZValue(10);
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
    // A grid line per point over a long range would cost thousands of
    // items: the interval is set for the new range first, refined below.
    m_x->setTickInterval(std::max<qsizetype>(1, m_labels.size() / 8));
    m_x->setRange(-0.5, std::max<qsizetype>(m_labels.size(), 1) - 0.5);

    for (int i = 0; i < Chart::SeriesCount; ++i) {
        const Chart::Series& s = data.series[static_cast<std::size_t>(i)];
        QList<QPointF> points;
        points.reserve(s.points.size());
        for (const Chart::Point& p : s.points)
            points.append(QPointF(place.value(p.label), p.value));
        m_points[static_cast<std::size_t>(i)] = std::move(points);
        // The limit points only widen the axis.
        series(i)->setVisible(s.active && i != Chart::LimitMin && i != Chart::LimitMax);
        // The legend names the centiles only; a shown series shows its marker again.
        for (QLegendMarker* marker : chart()->legend()->markers(series(i)))
            marker->setVisible(false);
    }
    for (std::size_t k = 0; k < m_centilePoints.size(); ++k) {
        QList<QPointF> points;
        points.reserve(data.centiles.curves.at(k).size());
        for (const Chart::Point& p : data.centiles.curves.at(k)) {
            const auto at = place.constFind(p.label);
            if (at != place.constEnd())
                points.append(QPointF(*at, p.value));
        }
        m_centilePoints.at(k) = std::move(points);
    }
    const bool centiles = !data.centiles.isEmpty();
    for (QAreaSeries* band : m_bands)
        band->setVisible(centiles);
    m_median->setVisible(centiles);
    // The note may be cut on a small chart: it is told whole as the chart's hint.
    setToolTip(data.centiles.note);
    setAccessibleDescription(data.centiles.note);

    auto [low, high] = data.verticalRange();
    if (high <= low)
        high = low + 1;
    m_y->setRange(low, high);
    m_y->applyNiceNumbers();
    setTitleShown(m_titleShown);
    // Showing or hiding a series may have laid the chart out meanwhile:
    // the new points are thinned now, for the plot as it is.
    m_pointsWidth = -1;
    placeLabels();
}

QString LineChart::shownNote() const
{
    return m_note->isVisible() ? m_data.centiles.note : QString();
}

QStringList LineChart::shownLabels() const
{
    QStringList texts;
    for (const QGraphicsSimpleTextItem* item : m_labelItems)
        if (item->isVisible())
            texts << item->text();
    return texts;
}

// One label in every so many, each centred under its point, a label that
// would touch the one before left out; the vertical grid lines stand at
// every so many points.
void LineChart::placeLabels()
{
    placePoints();
    const QRectF plot = chart()->plotArea();
    // A legend on a chart too narrow for its texts would show bare squares.
    chart()->legend()->setVisible(!m_data.centiles.isEmpty() && chart()->size().width() >= kLegendWidth);
    const QString& note = m_data.centiles.note;
    m_note->setText(
        QFontMetrics(m_note->font()).elidedText(note, Qt::ElideRight, static_cast<int>(plot.width()) - 12));
    m_note->setVisible(!note.isEmpty());
    m_note->setPos(plot.left() + 6, plot.top() + 4);
    const int count = static_cast<int>(m_labels.size());
    const QFontMetrics metrics(m_x->labelsFont());
    // The labels of one chart are alike: a sample tells their usual width.
    qreal sampled = 0;
    int samples = 0;
    for (int i = 0; i < count; i += std::max(1, count / 50), ++samples)
        sampled += metrics.horizontalAdvance(m_labels.at(i));
    const qreal usual = samples > 0 ? sampled / samples : 0;
    const qreal spacing = count > 0 ? plot.width() / count : plot.width();
    const int step =
        std::max(1, static_cast<int>(std::ceil((usual + kLabelGap) / std::max<qreal>(spacing, 0.001))));
    m_x->setTickInterval(step);
    const bool marked = spacing >= kMarkedSpacing;
    for (int i : {int(Chart::Value), int(Chart::MinLine), int(Chart::MaxLine)})
        series(i)->setPointsVisible(marked);

    int used = 0;
    qreal lastRight = -1e9;
    for (int i = 0; i < count && plot.width() > 0; i += step) {
        const qreal width = metrics.horizontalAdvance(m_labels.at(i));
        const qreal left = plot.left() + (i + 0.5) * spacing - width / 2;
        if (left < lastRight + kLabelGap)
            continue;
        lastRight = left + width;
        if (used == m_labelItems.size()) {
            auto* item = new QGraphicsSimpleTextItem(chart());
            item->setFont(m_x->labelsFont());
            item->setBrush(m_x->labelsBrush());
            m_labelItems << item;
        }
        QGraphicsSimpleTextItem* item = m_labelItems.at(used++);
        item->setText(m_labels.at(i));
        item->setPos(left, plot.bottom() + 3);
        item->setVisible(true);
    }
    for (int i = used; i < m_labelItems.size(); ++i)
        m_labelItems.at(i)->setVisible(false);
}

void LineChart::placePoints()
{
    const int width = static_cast<int>(chart()->plotArea().width());
    if (width == m_pointsWidth)
        return;
    m_pointsWidth = width;
    for (int i = 0; i < Chart::SeriesCount; ++i)
        series(i)->replace(thinned(m_points[static_cast<std::size_t>(i)], width, m_x->min(), m_x->max()));
    for (std::size_t k = 0; k < m_centileLines.size(); ++k)
        m_centileLines.at(k)->replace(sampled(m_centilePoints.at(k), width, m_x->min(), m_x->max()));
}

void LineChart::mouseDoubleClickEvent(QMouseEvent* event)
{
    QChartView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
