#pragma once

#include "Cabinet.h"
#include "FileUtils.h"

#include <QByteArray>
#include <QString>

class Dataset;

// A person's attached files: each one kept as a one-entry cabinet beside
// the database (StoredFiles::attachedFile), described by its DOCUMENTFILE row.
namespace FileDocuments {

// The line that ties the DocumentFile dataset to a person (-1: none).
QString personFilter(int personId);

// The desktop's name for the file's type, and its size as shown.
using FileUtils::sizeText;
using FileUtils::typeDescription;
// The desktop's icon for the file on white, as a 32 x 32 bitmap stream.
QByteArray iconBitmap(const QString& fileName);
// The name without any folder part, never empty, "." or "..": what a copy
// may be written under.
using FileUtils::bareFileName;

// Fills the row being inserted from the chosen file (name, type, size,
// icon, empty remark), makes its archive under its scratch name, then
// posts the row and renames the archive to its stored name in one
// transaction: the row and its archive are kept together or not at all.
// Returns the new Id. Throws CabinetError, FileError, DatabaseError with
// the row cancelled.
int attach(Dataset& row, const QString& chosenFile, const QString& databaseFolder,
           const Cabinet::Progress& progress = {});

// The folder where stored files are opened: the user's own, inside the
// temporary folder, so no other account can place a file or a link there.
QString readingFolder();
// Writes the archive's first entry to `target`, replacing a previous
// copy even when read-only, and marks it read-only when asked. Throws
// CabinetError.
void extractCopy(const QString& archive, const QString& target, bool readOnly,
                 const Cabinet::Progress& progress = {});

} // namespace FileDocuments
