#pragma once

#include <array>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

class Dataset;

// What a chart of the program shows, without any widget: eight line series
// in a fixed order, each point carrying the label the horizontal axis
// shows. Points stand one per label, evenly spaced whatever the time
// between them; a label's place is where it first appears in any series.
namespace Chart {

// The roles of the eight series, in their order.
enum SeriesIndex
{
    Value = 0,     // the curve, a thick line
    ValueLine = 1, // the same points, a thin line over it
    Min = 2,       // 2 and 3: a normal range's lower bound (3 is drawn)
    MinLine = 3,
    Max = 4, // 4 and 5: its upper bound (5 is drawn)
    MaxLine = 5,
    LimitMin = 6, // an invisible point that widens the vertical axis downwards
    LimitMax = 7, // and upwards
    SeriesCount = 8
};

struct Point
{
    QString label;
    double value = 0;
    bool operator==(const Point& other) const = default;
};

struct Series
{
    QString title;
    bool active = false;
    QList<Point> points;
};

// Reference centiles drawn behind the curve: one curve per centile, each
// point at a label of the curve, and a short line telling why there are
// none when they were asked for and cannot be drawn.
struct Centiles
{
    static constexpr int Count = 5; // the 3rd, 15th, 50th, 85th and 97th
    std::array<QList<Point>, Count> curves;
    QString note;
    bool isEmpty() const { return curves.front().isEmpty(); }
};

struct Data
{
    QString title;
    std::array<Series, SeriesCount> series;
    Centiles centiles;

    Data();
    // Clears every series and activates exactly those given.
    void activate(std::initializer_list<int> active);
    // The horizontal axis: every label in the order of first appearance.
    QStringList labels() const;
    // The vertical axis: lowest and highest value of every point of the
    // active series and of the centile curves; (0, 1) without any.
    std::pair<double, double> verticalRange() const;
};

// An empty chart: no curve, a vertical axis from 0 to 1.
void makeEmpty(Data& data);

// The name proposed when a chart is saved as a picture: the title's first
// line with blanks as "_", the person between "_(" and ")_", the day as
// dd_mm_yyyy, ".jpg"; characters a file name cannot hold become "_".
QString proposedFileName(const QString& title, const QString& person, const QDate& day);

// The current person as the saved pictures name it: "Name ForeName", or
// the name alone without a forename; empty without a person.
QString personText(const Dataset& person);

} // namespace Chart
