#pragma once

#include <QLabel>

class QTimer;

// Hours and minutes, the colon blinking with a two-second period.
class DigitalClock : public QLabel
{
    Q_OBJECT
public:
    explicit DigitalClock(QWidget* parent = nullptr);
    // One tick of the clock: what the timer does every second.
    void tick();
    static QString timeText(const QTime& time, bool blinkPhase);

private:
    QTimer* m_timer;
    bool m_blink = false;
};
