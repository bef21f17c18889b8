#pragma once

#include <QString>

// The program's statements are written in the Jet dialect of its original
// database engine; this turns one of them (query or DDL) into SQLite.
// As in Jet, "..." is a text, not a name: names that need quoting are
// written in [brackets]. Statements the program builds for SQLite itself
// do not come through here.
namespace JetDialect {
// Throws DatabaseError (French text) for a construct it cannot translate.
QString translate(const QString& statement);
} // namespace JetDialect
