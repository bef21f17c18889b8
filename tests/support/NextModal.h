#pragma once

#include <functional>
#include <QString>
#include <QWidget>

// Answering the modal windows a command opens, from inside their own event loop.
namespace NextModal {

namespace Detail {
void await(const char* expected, std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> step);
}

// Runs `step` on the next modal window once the code under test shows it (a
// window already modal now does not count). A window of another kind fails
// the test and is closed; one the step leaves open is closed, so the command
// returns whatever happens; a test that ends before the window showed fails.
template <typename Window> void answer(std::function<void(Window*)> step)
{
    Detail::await(
        Window::staticMetaObject.className(), [](QWidget* w) { return qobject_cast<Window*>(w) != nullptr; },
        [step](QWidget* w) { step(static_cast<Window*>(w)); });
}

// The class of the modal window `action` opens, closed at once (its title
// into `title`); empty when no window opened while the action ran.
QString openedBy(const std::function<void()>& action, QString* title = nullptr);

// Makes every test that ends with a window still awaited fail (test main).
void failTestsLeftWaiting();

} // namespace NextModal
