#pragma once

#include <functional>
#include <QObject>

class QWidget;

// The keyboard and mouse shortcuts of an entry field: Enter opens its
// picker, a double-click opens its list editor. Owned by the field.
class FieldShortcuts : public QObject
{
    Q_OBJECT
public:
    using Action = std::function<void()>;
    static void install(QWidget* field, Action onEnter, Action onDoubleClick = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FieldShortcuts(QWidget* field, Action onEnter, Action onDoubleClick);
    Action m_onEnter;
    Action m_onDoubleClick;
};
