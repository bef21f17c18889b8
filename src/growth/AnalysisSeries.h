#pragma once

#include "ChartData.h"

#include <QDate>
#include <QList>

// The chart of one analysis a person follows, and how its values are written.
namespace AnalysisSeries {

// How the horizontal axis is labelled (PERSON.AnalysisMode).
enum Mode
{
    Dates = 1,
    Years = 2
};

struct Result
{
    QDate date;
    double value = 0;
    double minimum = 0; // the normal range that applied
    double maximum = 0;
};

// "Evolution des analyses : " and the analysis's title.
QString chartTitle(const QString& analysisTitle);

// The values in series 0 and 1, the range in series 3 and 5, one point per
// label (the date, or its year), each list keeping its own larger number
// where labels repeat; series 6 and 7 one below the lowest and one above
// the highest number. Without a result, the empty chart.
Chart::Data build(int mode, const QList<Result>& results);

// The formats of an analysis's values with `decimals` (0 to 3; none below
// 0) and its unit: edited as "0.00", shown as "0.00 g/l".
struct ValueFormats
{
    QString edit;
    QString display;
};
ValueFormats formats(int decimals, const QString& unit);

} // namespace AnalysisSeries
