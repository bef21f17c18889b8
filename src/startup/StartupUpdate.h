#pragma once

#include "Connection.h"
#include "Folders.h"

#include <functional>
#include <QString>

// The database update of start-up, once the program's connection is open:
// the development marker, the version test, the update scripts of this
// version copied into the data folder, every "*.maj" of the data folder run
// (with the backup offer and the progress window) and deleted, the version
// written, then the second pass on a database an older installation left in
// the program folder.
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

// The error box that ends start-up after a failed update.
QString failureMessage(const QString& error, const Folders& folders);

} // namespace StartupUpdate
