#pragma once

#include "Connection.h"
#include "Folders.h"

namespace DbIni {
// Copies db.ini into the data folder when missing, reads it with its
// defaults (writing them into a new db.ini when there is still none) and
// derives where the database is. Throws FileError, before anything is
// created, when db.ini exists but cannot be read, or names a file as the
// database folder or a folder as the database file.
DbConfig read(const Folders& folders);
// The derivation alone, from the values of the file: a relative folder lies
// under the data folder.
QString databaseFolder(const QString& dataFolder, const QString& pathValue);
} // namespace DbIni
