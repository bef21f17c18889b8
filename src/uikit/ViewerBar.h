#pragma once

#include <QHBoxLayout>

class QDialog;
class QPushButton;
class QSizeGrip;

// The row of buttons under a viewer window (the report preview, the
// picture viewer, the HTML page viewer): commands from the left, then
// " &Fermer" and the size grip at the right.
class ViewerBar : public QHBoxLayout
{
public:
    explicit ViewerBar(QDialog* window);

    // A button after the others; its hint is its tooltip and what assistive
    // technologies call it. Enter never presses it.
    QPushButton* add(const char* name, const QString& caption, const QString& hint);
    // Ends the row with " &Fermer", which closes the window, and the grip.
    QSizeGrip* finish();

private:
    QDialog* m_window;
};
