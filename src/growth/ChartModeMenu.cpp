#include "ChartModeMenu.h"

#include "AnalysisSeries.h"
#include "GrowthSeries.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace ChartModeMenu {

QList<Entry> growthEntries()
{
    return {{QStringLiteral("Mois"), GrowthSeries::Months},
            {QStringLiteral("Années"), GrowthSeries::Years},
            {QString(), 0},
            {QStringLiteral("Dates"), GrowthSeries::Dates}};
}

QList<Entry> analysisEntries()
{
    return {{QStringLiteral("Années"), AnalysisSeries::Years},
            {QStringLiteral("Dates"), AnalysisSeries::Dates}};
}

std::optional<int> choose(QWidget* button, const QString& menuName, const QList<Entry>& entries, int current)
{
    QMenu menu(button);
    menu.setObjectName(menuName);
    for (const Entry& e : entries) {
        if (e.caption.isEmpty()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(e.caption);
        action->setCheckable(true);
        action->setChecked(e.mode == current);
        action->setData(e.mode);
    }
    const QPointer<QWidget> guard(button);
    QAction* chosen = menu.exec(button->mapToGlobal(QPoint(button->width(), 0)));
    if (!chosen || !guard)
        return std::nullopt;
    return chosen->data().toInt();
}

} // namespace ChartModeMenu
