#pragma once

#include <QString>

// Builds a new record database: every table of the schema, then the starting
// content script. The file appears only once it is complete.
namespace TemplateDatabase {
// Throws DatabaseError or FileError.
void build(const QString& targetFile, const QString& contentScriptFile);
// Splits a script of plain SQL statements, each ending with ';' at the end of a line.
QStringList splitScript(const QString& script);
} // namespace TemplateDatabase
