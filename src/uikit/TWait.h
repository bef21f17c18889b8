#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QFrame;

// The shared progress window of long operations: a task line, a message
// line and a step bar 251 pixels wide.
class TWait : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kBarWidth = 251;
    enum class Line
    {
        Task,
        Message
    };

    explicit TWait(QWidget* parent = nullptr);

    void setTask(const QString& text);
    void setMessage(const QString& text);
    void setTotal(qint64 total);
    void setBarVisible(bool visible);
    // One step: its text goes to the given line, the bar advances, pending
    // window events are processed so the window stays alive.
    void step(const QString& text, Line line);
    // Moves the bar to a position out of the total (a byte count, say) and
    // processes pending window events.
    void setPosition(qint64 position);
    // The bar at `done` out of `total`, for work counted in its own units;
    // pending window events are processed.
    void setProgress(int done, int total);
    void centreInWorkArea();
    // A " &Annuler" button under the bar for work that can stop; its click
    // is noted (the work asks cancelRequested() between its steps).
    void setCancellable(bool cancellable);
    bool cancelRequested() const { return m_cancelRequested; }

    int counter() const { return m_counter; }
    int cursorWidth() const;

private:
    QLabel* m_task;
    QLabel* m_message;
    QFrame* m_gaugeBack;
    QFrame* m_gaugeCursor;
    QPushButton* m_cancel;
    bool m_cancelRequested = false;
    int m_counter = 0;
    qint64 m_total = 0;
};
