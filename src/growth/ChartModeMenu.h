#pragma once

#include <optional>
#include <QList>
#include <QString>

class QWidget;

// The menu of a chart's label modes, opened beside its button with the
// current mode ticked; the mode chosen, or nothing.
namespace ChartModeMenu {

struct Entry
{
    QString caption; // an empty caption is a separator
    int mode = 0;
};

// "Mois", "Années", a separator, "Dates".
QList<Entry> growthEntries();
// "Années", "Dates".
QList<Entry> analysisEntries();

std::optional<int> choose(QWidget* button, const QString& menuName, const QList<Entry>& entries, int current);

} // namespace ChartModeMenu
