#pragma once

#include "GrowthSeries.h"

#include <QString>

class Dataset;
class TDataModule1;

// The two series of measurements a person has, weight (1) and height (2):
// where they are stored and how their charts and windows name them.
struct MeasureKind
{
    int series;
    QString name; // "Weight": the design names of its controls
    Dataset& (*dataset)(TDataModule1& dm);
    QString dateField;
    QString valueField;
    QString modeField;  // the person's label mode of this chart
    QString birthField; // the person's value at birth
    QString chartTitle;
    QString windowTitle; // of the curve window, leading blanks included
    QString displayFormat;
    QString editFormat;
    GrowthSeries::Margins pageMargins;
    GrowthSeries::Margins windowMargins;
    GrowthReference::Indicator reference; // whose centiles the charts draw

    static const MeasureKind& weight();
    static const MeasureKind& size();
    static const MeasureKind& of(int series);
};

namespace Measurements {

// Reopens the kind's dataset on the person's measurements in date order,
// with the row of `keepId` current when it is there (-1: the first).
void open(TDataModule1& dm, const MeasureKind& kind, int personId, int keepId = -1);

// The measurements of the open dataset, in its order; the current row stays.
QList<GrowthSeries::Measurement> read(const Dataset& measures, const MeasureKind& kind);

// A person's measurements of that kind, in date order, read apart from
// the kind's dataset.
QList<GrowthSeries::Measurement> load(const MeasureKind& kind, int personId);

// The current person as the references see it: birth date and sex.
struct Child
{
    QDate birth; // invalid when the birth date is not a valid one
    GrowthReference::Sex sex = GrowthReference::Sex::Unknown;
};
Child child(const Dataset& person);
// The centiles of the program's references.
GrowthReference::ReferenceTables& references();

// What the chart of the current person is built from, in that label mode,
// with the centiles of the kind's reference.
GrowthSeries::Input input(TDataModule1& dm, const MeasureKind& kind, int mode,
                          const GrowthSeries::Margins& margins);
// The same for a series of values that is not the kind's dataset, with
// the centiles of `reference`.
GrowthSeries::Input input(const Dataset& person, QList<GrowthSeries::Measurement> values,
                          const QString& birthValue, GrowthReference::Indicator reference, int mode,
                          const GrowthSeries::Margins& margins);

// The person's stored label mode of the kind's chart.
int storedMode(TDataModule1& dm, const MeasureKind& kind);
// Stores a label mode in the current person's row, posting it (with any
// change the row already had).
void storeMode(Dataset& person, const QString& modeField, int mode);

} // namespace Measurements
