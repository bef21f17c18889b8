#pragma once

#include "RecordSet.h"

#include <QString>

// What a backup, a compaction or a restore cut short by the end of the
// process leaves beside the records, cleared at the next start before the
// database is opened. None of it is ever the only copy of anything: the
// records are replaced only by copies that were checked first.
namespace Leftovers {

// Completes a restore whose swap had begun (Restore::finishInterrupted:
// throws FileError when it cannot), then removes a restore's staging, the
// compaction's scratch copy of the database and the partial archives of
// backups, and writes the safety archives of what restores set aside
// (SafetyArchive::finish). Returns, in French, what could not be removed
// or written; nothing when all went.
QString clearAtStart(const RecordSet& set);

} // namespace Leftovers
