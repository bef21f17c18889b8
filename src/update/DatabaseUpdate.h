#pragma once

#include "Folders.h"

#include <functional>
#include <QString>
#include <QStringList>

class UpdateGauge;

// An older database brought to the program's layout by the update scripts
// of the program folder's Maj/, on any Qt SQL connection: a restore's
// staged database, a converted database of the Windows version, an older
// installation's database found at start.
namespace DatabaseUpdate {

using Status = std::function<void(const QString& text)>;

// The version text of the database on that Qt SQL connection, from the
// column its layout has ("0" when there is none).
QString databaseVersion(const QString& connectionName);

// Brings the database that the Qt SQL connection `connectionName` has open
// (the file `file`, its pictures under `databaseFolder`) to the program's
// version with the update scripts of the program folder, when the database
// is older and the scripts are there, without a backup and without
// deleting the scripts; each script then writes the version it leaves.
// Returns whether a script ran. Throws AppError (an UpdateError when a
// script cannot go on).
bool updateOlderDatabase(const Folders& folders, const QString& connectionName, const QString& databaseFolder,
                         const QString& file, UpdateGauge* gauge, const Status& status);

// The update scripts of `folder` that bring a database of layout
// `fromVersion` to the program's: every "BD_<digits>.maj" above that
// version and up to the program's, in version order.
QStringList scriptsAfter(const QString& folder, int fromVersion);

} // namespace DatabaseUpdate
