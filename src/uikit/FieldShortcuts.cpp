#include "FieldShortcuts.h"

#include "CommandGuard.h"

#include <QKeyEvent>
#include <QWidget>

FieldShortcuts::FieldShortcuts(QWidget* field, Action onEnter, Action onDoubleClick)
    : QObject(field), m_onEnter(std::move(onEnter)), m_onDoubleClick(std::move(onDoubleClick))
{
    field->installEventFilter(this);
}

void FieldShortcuts::install(QWidget* field, Action onEnter, Action onDoubleClick)
{
    new FieldShortcuts(field, std::move(onEnter), std::move(onDoubleClick));
}

bool FieldShortcuts::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    if (!field || !field->isEnabled())
        return false;
    if (event->type() == QEvent::KeyPress && m_onEnter) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runGuarded(m_onEnter);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonDblClick && m_onDoubleClick) {
        runGuarded(m_onDoubleClick);
        return true;
    }
    return false;
}
