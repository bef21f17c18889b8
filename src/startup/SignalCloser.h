#pragma once

#include <functional>
#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into an orderly close on the event loop, so that
// a logout or a kill loses nothing.
class SignalCloser : public QObject
{
    Q_OBJECT
public:
    explicit SignalCloser(std::function<void()> onSignal, QObject* parent = nullptr);
    ~SignalCloser() override;

private:
    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};
