#pragma once

#include <QSqlDatabase>
#include <QStringList>

// The full-text index of the household's records (search_index.sql): one
// FTS5 table, one view per kind of entry, the triggers that note in the
// transaction that changes a row that its entry is to be written again, and
// the statement that writes the noted entries.
namespace SearchIndex {

extern const char* const kDefinition;

inline const QString tableName = QStringLiteral("SEARCH_INDEX");

// The statements of the definition in their order; the last ones fill the
// index from the rows already there.
QStringList statements();

// Creates the index on the Qt SQL connection of that name (the program's
// when empty), in place of any earlier one, and builds it from every row, in
// one transaction, which joins the caller's (the update engine's block).
// Throws DatabaseError.
void install(const QString& connectionName = {});

// Drops the index and all that goes with it, of this version or an earlier
// one. Throws DatabaseError.
void remove(const QSqlDatabase& db);

// Writes the entries of the rows changed since the last time, in one
// statement. Throws DatabaseError; a database that cannot be written is
// left as it is.
void catchUp(const QSqlDatabase& db);

bool isInstalled(const QSqlDatabase& db);

} // namespace SearchIndex
