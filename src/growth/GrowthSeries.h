#pragma once

#include "Assessment.h"
#include "ChartData.h"

#include <optional>
#include <QDate>
#include <QList>

// The weight and height curves: how the measurements of a person become
// the points of a chart.
namespace GrowthSeries {

// How the horizontal axis is labelled (PERSON.WeightMode and SizeMode).
enum Mode
{
    Dates = 1,
    Years = 2,
    Months = 3
};

using Measurement = GrowthReference::Measure;

// How far the vertical axis reaches beyond the lowest and highest
// measurement. A `low` of 0 holds the axis at 0.
struct Margins
{
    double low = 0;
    double high = 0;
};

struct Input
{
    int mode = 0;       // any value but the three modes labels every point "Naissance"
    QString birthValue; // the person's birth weight or height as text
    QString birthDate;  // the person's birth date as stored, "dd/mm/yyyy"
    Margins margins;
    QList<Measurement> measurements; // in date order
    // The reference whose centiles are drawn behind the curve; none for a
    // chart without them.
    std::optional<GrowthReference::Indicator> reference;
    GrowthReference::Sex sex = GrowthReference::Sex::Unknown;
    GrowthReference::ReferenceTables* tables = nullptr; // with a reference
};

using GrowthReference::birthDate;

// Completed years and months from `reference` to `date`, negative before
// it. Month and day are compared as a pair, so a 29 February falls between
// 28 February and 1 March: a child born on 29 February is a year older on
// 1 March of a common year.
int ageInYears(const QDate& reference, const QDate& date);
// Days do not count: 31 May to 1 June is one month.
int ageInMonths(const QDate& reference, const QDate& date);

// The label of a measurement. One dated before the reference is labelled
// with its date in every mode: an age before birth would read as nonsense.
QString label(int mode, const QDate& reference, const QDate& date);

// The chart: the birth point first when the birth date and value are
// valid, then one point per label, the larger value where labels repeat;
// the curve in series 0 and 1, the margins in series 6 and 7; fewer than
// two points give the empty chart. With a reference, its centiles at the
// age of each point's value, from the birth date, where the reference
// reaches; or the line that says why there are none.
Chart::Data build(const Input& input);

} // namespace GrowthSeries
