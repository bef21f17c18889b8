#pragma once

#include <functional>

// Runs a command handler so that no exception reaches Qt's event loop: an
// error restores the cursor and shows its own text in a plain message box.
// Returns false when the command failed.
bool runGuarded(const std::function<void()>& command);
