#pragma once

#include <QAccessible>
#include <QApplication>
#include <QList>
#include <QStringList>

// What assistive technologies find going down from the application's
// accessible object: each open pop-up menu as the names of its visible entries.
namespace AccessibleMenus {

inline QList<QStringList> open()
{
    QList<QStringList> menus;
    QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
    for (int i = 0; application && i < application->childCount(); ++i) {
        QAccessibleInterface* menu = application->child(i);
        if (!menu || menu->role() != QAccessible::PopupMenu)
            continue;
        QStringList entries;
        for (int j = 0; j < menu->childCount(); ++j) {
            QAccessibleInterface* entry = menu->child(j);
            if (entry && entry->role() == QAccessible::MenuItem && !entry->state().invisible)
                entries << entry->text(QAccessible::Name);
        }
        menus << entries;
    }
    return menus;
}

} // namespace AccessibleMenus
