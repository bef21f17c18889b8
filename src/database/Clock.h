#pragma once

#include <QDateTime>

// The one source of "now" for the program, so tests can fix the date.
namespace Clock {
QDateTime now();
QDate today();
// Tests only: every later call returns this moment; an invalid value restores the real clock.
void setFixed(const QDateTime& moment);
} // namespace Clock
