#pragma once

#include "Errors.h"
#include "RecordSet.h"

#include <QString>

class UpdateGauge;

// Restoring a backup archive over the record set. Nothing is replaced
// before everything is checked: the archive is staged in a folder of its
// own inside the database folder, its database checked and brought up to
// date there, the current data kept as a safety archive in Backup/, and
// only then are the files swapped, by renaming, under a marker that lets
// the next start finish a swap that a crash interrupted.
namespace Restore {

// The archive was refused, or something failed before the swap began: the
// current data are as they were.
class NotRestored : public AppError
{
public:
    using AppError::AppError;
};

// Restores `archive` over the record set, whose database must be closed.
// Of the archive, the entry BRIVOLINE.MDB (by bare name, in any case) is
// the database; the other entries go by their bare names, "*.jpg" to the
// images and "*.f" to the attached files; anything else is left out. An
// archive with an unsafe or repeated name, without a database, or whose
// database is damaged, not one of this program's or made by a newer
// version is refused. A database of the Windows version (a Jet file) is
// converted; an older database is brought up to date with the program's
// update scripts. The staged database gets the history rows of
// the safety archive and of the restore. Returns the safety archive.
// Throws NotRestored, or AppError when the swap could not be completed
// (the next start completes it).
QString run(const RecordSet& set, const QString& archive, MaintenanceProgress& progress, UpdateGauge* gauge);

// Replaces the record set, as a restore does, by a database of the Windows
// version: its Jet file `jetFile`, converted and brought up to date, with
// the pictures and attached files of `filesFolder`'s Images/ and Files/.
// The Jet file and its folder are only read. Same safety archive and swap
// as a restore; the history row tells the import. Throws NotRestored (with
// the reason a file is refused), or AppError as run does.
QString importWindowsDatabase(const RecordSet& set, const QString& jetFile, const QString& filesFolder,
                              MaintenanceProgress& progress, UpdateGauge* gauge);

// Completes a restore whose swap had begun when the process ended, or drops
// the staging of one whose swap had not. Runs at start before the database
// is opened, and before each restore. Throws FileError when a begun swap
// cannot be completed. `progress`, when given, follows the files moved.
void finishInterrupted(const RecordSet& set, MaintenanceProgress* progress = nullptr);

// The staging folder of a restore, inside the database folder so that
// every file is swapped by a rename on the same disk.
QString stagingFolder(const RecordSet& set);

} // namespace Restore
