#pragma once

#include <QString>

// Builds a new record database: every table of the schema, then the scripts
// in their order (starting content, search index). The file appears only
// once it is complete.
namespace TemplateDatabase {
// Throws DatabaseError or FileError.
void build(const QString& targetFile, const QStringList& scriptFiles);
// Splits a script of plain SQL statements, each ending with ';' at the end of
// a line; a CREATE TRIGGER statement ends with its line "END;".
QStringList splitScript(const QString& script);
} // namespace TemplateDatabase
