#pragma once

#include <QDateTime>
#include <QString>

struct UpdateTarget;
class UpdateLog;

// The backup offered before a script laid in the data folder: a compacted,
// checked copy of the database in the data folder's Backup/Maj/.
namespace UpdateBackup {

// The copy's name at a moment: data folder + "Backup/Maj/" + the file name
// without its extension, in upper case, + "_ACCESS_BACKUP_MAJ_" +
// ddMMyyyyhhmmss + ".bkp".
QString fileName(const QString& dataFolder, const QString& databaseFile, const QDateTime& moment);

// Writes the copy of the target's database under the name of the first
// second from now whose name is free: two scripts of the same second never
// share one, and a copy cut short (its scratch file left) is never taken
// over, the log saying so. The connection is closed meanwhile and opened
// again. Returns the copy. Throws UpdateError, naming the script, when the
// copy or the reopening failed: the script must not run.
QString make(const UpdateTarget& target, UpdateLog& log, const QString& scriptName);

} // namespace UpdateBackup
