#pragma once

#include <QString>

// The process-wide text forms of dates and times: every conversion between
// a date and its text goes through these.
namespace Formats {
inline const QString shortDate = QStringLiteral("dd/MM/yyyy");
inline const QString longTime = QStringLiteral("hh:mm:ss");
inline const QString shortTime = QStringLiteral("hh:mm");
// Storage form of Date/Time columns.
inline const QString isoDate = QStringLiteral("yyyy-MM-dd");
} // namespace Formats
