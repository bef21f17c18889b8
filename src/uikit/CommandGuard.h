#pragma once

#include <functional>
#include <QObject>
#include <type_traits>
#include <utility>

// Runs a command handler so that no exception reaches Qt's event loop: an
// error restores the cursor and shows its own text in a plain message box.
// Returns false when the command failed.
bool runGuarded(const std::function<void()>& command);

// The handler wrapped in the guard; it may take the signal's arguments or none.
template <typename Handler> auto guarded(Handler handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable {
        runGuarded([&] {
            if constexpr (std::is_invocable_v<Handler&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        });
    };
}

// The one way a command is connected: every button, menu entry, double
// click or key that can reach the database runs its handler through the
// guard, for as long as `context` lives.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectCommand(const Sender* sender, Signal signal, const QObject* context,
                                       Handler handler)
{
    return QObject::connect(sender, signal, context, guarded(std::move(handler)));
}
