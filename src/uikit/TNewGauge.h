#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The small progress window of the database update: a status text and a bar
// that advances one step at a time. Borderless and kept above the other
// windows; its cancel button exists but is never offered.
class TNewGauge : public QWidget
{
    Q_OBJECT
public:
    explicit TNewGauge(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // A new count of steps; the bar starts again at 0.
    void setTotal(int total);
    // Advances the bar (never past its end) and lets pending window events
    // through so the window stays alive.
    void step(int steps = 1);
    int position() const;
    int total() const;
    // Shown centred in the screen's work area.
    void showCentred();

private:
    QLabel* m_info;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};
