#include "NextModal.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QList>
#include <QPointer>
#include <QTimer>

namespace NextModal {
namespace {

// The first look comes at the first pass of the event loop; later looks are
// spaced, since long work may let events through before its window shows.
constexpr int kLookAgainMs = 10;

struct Waiting
{
    QTimer* timer;
    const char* expected;
};

QList<Waiting>& waiting()
{
    static QList<Waiting> list;
    return list;
}

void stopWaiting(QTimer* timer)
{
    waiting().removeIf([timer](const Waiting& w) { return w.timer == timer; });
    timer->stop();
    timer->deleteLater();
}

// Calls `found` with the first modal window other than the one modal now.
void watch(const char* expected, std::function<void(QTimer*, QWidget*)> found)
{
    auto* timer = new QTimer;
    waiting().append({timer, expected});
    const QPointer<QWidget> before = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, before, found] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == before) {
            timer->setInterval(kLookAgainMs);
            return;
        }
        // A copy: the step may end the timer that holds this function.
        const auto call = found;
        call(timer, modal);
    });
    timer->start(0);
}

class LeftWaiting : public ::testing::EmptyTestEventListener
{
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        while (!waiting().isEmpty()) {
            const Waiting w = waiting().takeFirst();
            ADD_FAILURE() << "the expected " << w.expected << " never opened";
            delete w.timer;
        }
    }
};

} // namespace

void Detail::await(const char* expected, std::function<bool(QWidget*)> matches,
                   std::function<void(QWidget*)> step)
{
    watch(expected, [expected, matches, step](QTimer* timer, QWidget* modal) {
        stopWaiting(timer);
        if (!matches(modal)) {
            ADD_FAILURE() << "expected a " << expected << ", got a " << modal->metaObject()->className();
            modal->close();
            return;
        }
        const QPointer<QWidget> window = modal;
        step(modal);
        if (window && window->isVisible())
            window->close();
    });
}

QString openedBy(const std::function<void()>& action, QString* title)
{
    QString opened;
    QTimer* watching = nullptr;
    watch("window", [&](QTimer* timer, QWidget* modal) {
        opened = QString::fromLatin1(modal->metaObject()->className());
        if (title)
            *title = modal->windowTitle();
        modal->close();
        stopWaiting(timer);
        watching = nullptr;
    });
    watching = waiting().last().timer;
    action();
    if (watching)
        stopWaiting(watching);
    return opened;
}

void failTestsLeftWaiting()
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new LeftWaiting);
}

} // namespace NextModal
