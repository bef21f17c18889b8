#pragma once

#include <QString>

// Compaction of a record database file. The compacted copy is written to a
// scratch file beside its destination, forced to the disk and checked (the
// engine's integrity check, and every table holding as many rows as in the
// source) before it is renamed into place, so a failure at any step leaves
// the destination as it was and the source untouched. Since the destination
// is replaced only by a checked copy, a scratch file that an interrupted
// compaction left behind is never the only copy of anything: the next
// compaction removes it, and so does the next start.
namespace Compaction {

// The scratch file of a compaction into `file`: "~" inserted before the
// first "." of its name (BRIVOLINE.MDB gives BRIVOLINE~.MDB).
QString scratchFileFor(const QString& file);

// Removes what an interrupted compaction into `file` left beside it: the
// scratch file and the journal the engine keeps beside it. A scratch file
// that is a database of the Windows program (which renamed its database to
// that name before compacting it back, so it may be the only copy) is kept.
// Throws FileError naming what stays.
void removeLeftovers(const QString& file);

// Writes a compacted copy of the database `source` as `target`, a file that
// must not exist yet. The source stays as it was. Throws DatabaseError or
// FileError with the French text to show.
void compactInto(const QString& source, const QString& target);

// Compacts `file` in place: its compacted copy takes its name. No connection
// may have the file open (one would go on with the replaced file). Throws
// DatabaseError or FileError; the file is then left as it was.
void compactInPlace(const QString& file);

} // namespace Compaction
