#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Every column the program keeps of a person's record, one line a row:
// references replaced by the row they point to, stored pictures and
// attached files by a digest of their bytes, empty texts as NULL; the
// keys, Id_File and the columns the program never uses left out. Two
// records are the same when their dumps are, whatever their Ids.
QStringList recordDump(const QSqlDatabase& db, const QString& databaseFolder, int personId);
