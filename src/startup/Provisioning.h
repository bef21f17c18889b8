#pragma once

#include "Connection.h"
#include "Folders.h"

namespace Provisioning {
// When the database file is missing, copies it with its pictures and files
// from an older installation in the program folder or from the template;
// then copies SortList.def and the ini file when missing. False (after its
// message) when there is nothing to copy the database from, or when a copy
// fails: then no database is left, so the next start copies again.
bool run(const Folders& folders, const DbConfig& db);
QString copyFailedMessage(const QString& databaseFolder, const QString& reason);

extern const QString kMissingComponentsMessage;
} // namespace Provisioning
