#pragma once

#include "Connection.h"
#include "Folders.h"

namespace Provisioning {
// When the database file is missing, copies it with its pictures and files
// from an older installation in the program folder or from the template;
// then copies SortList.def and the ini file when missing. False (after its
// message) when there is nothing to copy the database from.
bool run(const Folders& folders, const DbConfig& db);

extern const QString kMissingComponentsMessage;
} // namespace Provisioning
