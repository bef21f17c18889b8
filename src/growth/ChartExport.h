#pragma once

#include "ChartData.h"

#include <QImage>
#include <QSize>

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

} // namespace ChartExport
