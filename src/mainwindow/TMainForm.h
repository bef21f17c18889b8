#pragma once

#include <QMainWindow>

class DigitalClock;
class MiniCalendar;

// The program's one working window; closing it ends the program.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    static QString instabilityMessage();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void applyStartupEffects();
    void restorePlacement();
    void storePlacement();
    QWidget* buildLeftBar();

    MiniCalendar* m_miniCalendar = nullptr;
    DigitalClock* m_digitalTime = nullptr;
    bool m_shown = false;
};
