#pragma once

#include "RecordSet.h"

#include <QStringList>

// The state of a household's records, found by reading them only: the
// engine's integrity check of the database, every picture and attached file
// a row names (there, and readable: pictures decoded within the codec's
// limits, archives listed), the files no row names, the latest backup.
struct RecordsReport
{
    QStringList lines; // in French, one finding a line
    int problems = 0;  // damage, a missing or unreadable file, a half-done restore
};

namespace RecordsCheck {
RecordsReport run(const RecordSet& set);
} // namespace RecordsCheck
