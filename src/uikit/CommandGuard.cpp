#include "CommandGuard.h"

#include "Errors.h"
#include "Messages.h"

#include <exception>
#include <QApplication>

bool runGuarded(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const AppError& e) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        Messages::plain(e.text());
    } catch (const std::exception& e) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        Messages::plain(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
