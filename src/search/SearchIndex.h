#pragma once

#include <QSqlDatabase>
#include <QStringList>

// The full-text index of the household's records (search_index.sql): one
// FTS5 table, one view per kind of entry and the triggers that keep it in
// step with the rows in the transaction that changes them.
namespace SearchIndex {

extern const char* const kDefinition;

inline const QString tableName = QStringLiteral("SEARCH_INDEX");

// The statements of the definition in their order; the last one fills the
// index from the rows already there.
QStringList statements();

// Creates the index on the Qt SQL connection of that name (the program's
// when empty) and builds it from every row, in one transaction, which joins
// the caller's (the update engine's block). Throws DatabaseError.
void install(const QString& connectionName = {});

bool isInstalled(const QSqlDatabase& db);

} // namespace SearchIndex
