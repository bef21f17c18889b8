#pragma once

#include "UpdateScript.h"

#include <QSqlDatabase>
#include <QString>

// The guards of the update scripts: each tests the database's structure and
// decides whether the block it begins runs (NotTableExists, TableExists,
// NotFieldExists, FieldExists, NotFieldType, TableEmpty).
namespace UpdateGuards {

// Whether the guard of that line holds on the database. Throws AppError,
// with the reason in French, when it cannot be tested: a table or a column
// it names is missing, or the database fails.
bool holds(const QSqlDatabase& db, UpdateScript::Command command, const QString& line);

} // namespace UpdateGuards
