#pragma once

#include "ChartData.h"

#include <QImage>
#include <QSize>

class QWidget;

// Chart pictures made off screen.
namespace ChartExport {

// The size of a saved chart.
inline constexpr QSize kSavedSize{1600, 1200};

// The chart drawn at that size, its title shown.
QImage render(const Chart::Data& data, QSize size);

// Lets the user save the chart as a JPEG picture: the save dialog proposes,
// in the data folder, a name made of the chart's title, the person and
// today's date; the picture is written at full quality with the program's
// own codec, replacing the chosen file only once complete. Nothing happens
// when the user cancels. Throws ImageError.
void SaveChartAsJpeg(const Chart::Data& data, const QString& personText);

// Prints the chart (1600 x 1200, its title shown) through the report
// preview, titled with the chart and the person.
void printChart(const Chart::Data& data, const QString& personText, QWidget* parent);

} // namespace ChartExport
