#pragma once

#include "Cabinet.h"
#include "RecordSet.h"

#include <QDate>
#include <QList>
#include <QString>

namespace Sealed {
class Key;
class PendingKey;
} // namespace Sealed

// The backup archive of a record set: a cabinet holding the database file
// (always under the name BRIVOLINE.MDB), then every "*.jpg" of the images
// folder, then every "*.f" of the attached-files folder, by bare name.
namespace BackupArchive {

inline const QString kDatabaseEntry = QStringLiteral("BRIVOLINE.MDB");
// How the names of the safety archives that restores keep begin.
inline const QString kSafetyPrefix = QStringLiteral("BRIVOLINE_ACCESS_AVANT_RESTAURATION_");

// The archive proposed on a day: Backup/BRIVOLINE_ACCESS_BACKUP_08_12_2026.bkp.
QString proposedPath(const RecordSet& set, const QDate& day);
// The same name in another folder (ending with '/').
QString proposedPathIn(const QString& folder, const QDate& day);
// The day of a file name that proposedPath gives; an invalid date for any
// other name, which is then none of the program's dated archives.
QDate dayOfProposedName(const QString& fileName);
// Where write() puts an archive until it is checked.
QString partialPath(const QString& target);

// What the archive holds, in its order.
QList<Cabinet::Member> members(const RecordSet& set);

// Writes the archive of the record set as `target`. It is written beside
// the target under a name of its own, read back and compared with the
// files entry by entry, and only then renamed over the target: a failure
// leaves any earlier archive of that name as it was, and no partial file
// (one left by a killed process goes at the next start: removeInterrupted).
// The database, closed, goes in as it is. With a key, the archive is
// encrypted with it on its way to the disk. Throws AppError.
void write(const RecordSet& set, const QString& target, MaintenanceProgress& progress,
           const Sealed::Key* key = nullptr);

// Removes the partial archive of a backup that the process did not live to
// finish (named in a note of the data folder, wherever its target was), and
// any partial archive of the program's own names in Backup/. A partial
// archive is never a finished one. Throws FileError naming a file that stays.
void removeInterrupted(const RecordSet& set);

// The backup command's work: compacts the database in place, which checks
// it (in place of any scratch file an interrupted compaction left), then
// writes the archive as above, encrypted with the key when one is being
// derived (meanwhile). The database must be closed. Throws AppError.
void backup(const RecordSet& set, const QString& target, MaintenanceProgress& progress,
            Sealed::PendingKey* key = nullptr);

} // namespace BackupArchive
