#pragma once

#include <QString>

// Compaction of a record database file. The compacted copy is written to a
// scratch file beside its destination, forced to the disk and checked before
// it is renamed into place, so a failure at any step leaves the destination
// as it was and the source untouched. Since the destination is replaced only
// by a checked copy, a scratch file that an interrupted compaction left
// behind is never the only copy of anything: the next compaction removes it,
// and so does the next start.
namespace Compaction {

// How a compacted copy is checked. Either way every table must hold as many
// rows as in the source.
enum class Check
{
    // The engine's quick check, which reads every page of the copy once:
    // every b-tree well formed (pages of the right kind, cells within their
    // page, keys in order, overflow chains whole), every page in one place
    // and none lost, each index as many entries as its table has rows.
    Quick,
    // The engine's integrity check, which adds a lookup of every row in
    // each of its indexes and the UNIQUE constraints: what a restore asks of
    // an archive's database, so what a backup asks of its copy.
    Thorough
};

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
// must not exist yet, checked thoroughly: it is a backup. The source stays as
// it was. Throws DatabaseError or FileError with the French text to show.
void compactInto(const QString& source, const QString& target);

// Compacts `file` in place: its compacted copy takes its name. No connection
// may have the file open (one would go on with the replaced file). Throws
// DatabaseError or FileError; the file is then left as it was.
void compactInPlace(const QString& file, Check check = Check::Quick);

} // namespace Compaction
