#pragma once

#include "GridPanel.h"

#include <QDialog>

// A modal list window: a grid panel over one query, open while the window
// is, with its optional add / modify / delete buttons and " &Fermer".
class ListWindow : public QDialog
{
    Q_OBJECT
public:
    // `title` is the design's, leading blanks included. Opens the query;
    // throws DatabaseError when it cannot.
    ListWindow(const QString& objectName, const QString& title, GridPanelSettings settings,
               QWidget* parent = nullptr);
    ~ListWindow() override;

    GridPanel* panel() const { return m_panel; }
    // Enables the commands from the rows shown (after adding buttons too).
    void updateButtons();

public slots:
    void Btn_CloseClick() { reject(); }
    void done(int result) override;

private:
    GridPanel* m_panel;
};
