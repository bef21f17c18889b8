#include "MenuAccessibility.h"

#include <QAccessible>
#include <QAccessibleApplication>
#include <QApplication>
#include <QMenu>

namespace MenuAccessibility {
namespace {

QList<QMenu*> openMenus()
{
    QList<QMenu*> menus;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(window); menu && menu->isVisible())
            menus.append(menu);
    return menus;
}

// The ordinary windows first, as Qt lists them, then the open menus.
class ApplicationWithMenus : public QAccessibleApplication
{
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(openMenus().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QMenu*> menus = openMenus();
        return index - windows < menus.size()
                   ? QAccessible::queryAccessibleInterface(menus.at(index - windows))
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const int index = QAccessibleApplication::indexOfChild(child);
        if (index >= 0 || !child)
            return index;
        const qsizetype menu = openMenus().indexOf(qobject_cast<QMenu*>(child->object()));
        return menu < 0 ? -1 : QAccessibleApplication::childCount() + int(menu);
    }
};

QAccessibleInterface* applicationFactory(const QString&, QObject* object)
{
    if (object && object == QCoreApplication::instance())
        return new ApplicationWithMenus;
    return nullptr;
}

} // namespace

void install()
{
    QAccessible::installFactory(applicationFactory);
}

} // namespace MenuAccessibility
