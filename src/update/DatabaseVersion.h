#pragma once

#include <QString>

// The database's own version: the text in `column` of the row of `table`
// (kVersionTable) whose ID_CLASS, ID_ATTRIBUTE and USERID are all -99.
// Older files name the column VAL instead of VALUE. An empty connection
// name stands for the program's connection.

inline const QString kVersionTable = QStringLiteral("OBJECT_VAL_STR");

// "0" when the row is missing or cannot be read; at most 255 characters.
QString GetBDVersion(const QString& connectionName, const QString& table, const QString& column);
// Writes the version, adding the row when it is missing. Throws DatabaseError.
void SetBDVersion(const QString& connectionName, const QString& table, const QString& column,
                  const QString& version);

// The numeric form compared with the program's: the text without its first
// ".", read as an integer ("3.51" gives 351, "3.6" gives 36); 0 when that
// does not read as an integer.
int numericVersion(const QString& version);
