#pragma once

#include "Connection.h"
#include "Folders.h"

#include <functional>
#include <QString>

class UpdateGauge;

// The database update of start-up, once the program's connection is open:
// the development marker, the version test, the update script of this
// version copied into the data folder, every "*.maj" of the data folder run
// (with the backup offer) and deleted, the version written, then the second
// pass on a database an older installation left in the program folder.
namespace StartupUpdate {

using Status = std::function<void(const QString& text)>;

// Does nothing when the database file is missing. Returns the update backup
// made before the first script that had one (empty when none): the
// database as it was before this update. Throws AppError (an UpdateError
// when a script cannot go on): start-up then ends with failureMessage(...)
// and the script stays to be run again.
QString run(const Folders& folders, const DbConfig& db, const Status& status);

// The second pass alone. Its problems are written to the log and never
// stop start-up: that file is not the database in use.
void secondPass(const Folders& folders, const DbConfig& db);

// The version text of the database on that Qt SQL connection, from the
// column its layout has ("0" when there is none).
QString databaseVersion(const QString& connectionName);

// Brings the database that the Qt SQL connection `connectionName` has open
// (the file `file`, its pictures under `databaseFolder`) to the program's
// version with the update script of the program folder, when the database
// is older and the script is there, without the backup offer and without
// deleting the script; then writes the version. Returns whether the script
// ran. Throws AppError (an UpdateError when the script cannot go on).
bool updateOlderDatabase(const Folders& folders, const QString& connectionName, const QString& databaseFolder,
                         const QString& file, UpdateGauge* gauge, const Status& status);

// The update scripts of `folder` that bring a database of layout
// `fromVersion` to the program's: every "BD_<digits>.maj" above that
// version and up to the program's, in version order.
QStringList scriptsAfter(const QString& folder, int fromVersion);

// The error box that ends start-up after a failed update.
QString failureMessage(const QString& error, const Folders& folders);

} // namespace StartupUpdate
