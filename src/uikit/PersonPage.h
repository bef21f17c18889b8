#pragma once

#include "CommandNames.h"

#include <functional>
#include <QString>
#include <QWidget>

// One page of the main window. Each subsystem provides its own; the main
// window only switches between them and asks them to refresh, so no
// subsystem depends on the main window.
class PersonPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Once, when the main window has opened the persons.
    virtual void mainWindowCreated() {}
    // The page becomes visible, or its data changed: reload for the current
    // person and make the row with that Id current (-1: none preselected).
    virtual void refreshPage(int rowId) { Q_UNUSED(rowId); }
    // The page is left: close what only it needed.
    virtual void leavePage() {}
    // Enables the page's own commands from the current data; with no
    // person every one of them is disabled.
    virtual void refreshCommandStates(bool hasPerson) { Q_UNUSED(hasPerson); }
    // Where typing starts on a new person; none by default.
    virtual QWidget* firstField() const { return nullptr; }

signals:
    // A command of the page changed data: the main window recomputes its commands.
    void commandsChanged();
};

// One entry of the main window's page table: its tab caption, its design
// name and how it is made.
struct PageDefinition
{
    QString caption;
    QString name;
    std::function<PersonPage*(QWidget* parent)> create;
};

// What a subsystem's commands may ask of the main window, so that they are
// wired where the program is put together without the subsystem knowing
// the main window.
class MainWindowHost
{
public:
    virtual ~MainWindowHost() = default;

    virtual QWidget* window() = 0;
    virtual void RefreshCommandStates() = 0;
    virtual void RefreshCurrentPage() = 0;
    virtual void RefreshPersonList(int personId) = 0;
    virtual PersonPage* currentPage() const = 0;
    // Brings that page of the page strip to the front, as choosing its tab would.
    virtual void showPage(int index) = 0;
    // Wires an entry of the command table (CommandNames.h): the handler
    // runs through the command guard; `enabled`, when given, is asked by
    // RefreshCommandStates (the entry is otherwise always enabled).
    virtual void setCommand(CommandName name, std::function<void()> handler,
                            std::function<bool()> enabled = {}) = 0;
};
