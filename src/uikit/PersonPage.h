#pragma once

#include <QWidget>

// One page of the main window. Each subsystem provides its own; the main
// window only switches between them and asks them to refresh, so no
// subsystem depends on the main window.
class PersonPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The page becomes visible, or its data changed: reload for the current
    // person and make the row with that Id current (-1: none preselected).
    virtual void refreshPage(int rowId) { Q_UNUSED(rowId); }
    // The page is left: close what only it needed.
    virtual void leavePage() {}
    // Enables the page's own commands from the current data; with no
    // person every one of them is disabled.
    virtual void refreshCommandStates(bool hasPerson) { Q_UNUSED(hasPerson); }

signals:
    // A command of the page changed data: the main window recomputes its commands.
    void commandsChanged();
};
