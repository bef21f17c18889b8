#pragma once

#include "GridPanel.h"
#include "PersonPage.h"

// A page of the main window that lists the current person's rows of one
// query: a grid panel shown whole, reopened for the person when the page
// shows or the person changes, closed when the page is left. A page is
// configuration of this class.
class GridPage : public PersonPage
{
    Q_OBJECT
public:
    explicit GridPage(GridPanelSettings settings, QWidget* parent = nullptr);

    GridPanel* panel() const { return m_panel; }

    void refreshPage(int rowId) override { m_panel->reload(rowId); }
    void leavePage() override { m_panel->close(); }
    void refreshCommandStates(bool hasPerson) override { m_panel->refreshStates(hasPerson); }

private:
    GridPanel* m_panel;
};
