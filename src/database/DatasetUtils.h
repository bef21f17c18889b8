#pragma once

#include <QString>
#include <QStringList>

class Dataset;

// The small routines every window uses on its datasets.
namespace DatasetUtils {

// True when the open dataset has no row.
bool isEmpty(const Dataset& dataset);
// The Id of the current row; -1 when the dataset is closed or empty.
int currentId(const Dataset& dataset);
// Puts the dataset into edit unless it is already being edited or inserted.
void editIfNeeded(Dataset& dataset);
// Posts the pending change of a dataset being edited or inserted.
void saveIfEditing(Dataset& dataset);
// Closes and reopens the dataset with its widgets kept still, back on the
// row with the same Id. When that Id cannot be read, or its row is gone,
// the dataset is left on its first row.
void reopenOnSameRow(Dataset& dataset);
// Runs a statement that returns no rows through `query` (normally the
// scratch query). Throws DatabaseError with the database's text.
void runStatement(Dataset& query, const QString& statement);
// The first column of the first row as an integer; -1 when there is no row
// or the value is empty. Throws DatabaseError.
int readNumber(const QString& statement, const QString& connectionName = {});
// Index of the first line containing the keyword (compared in upper case,
// also inside a longer word), or -1.
int lineOfKeyword(const QStringList& lines, const QString& keyword);
// Closes the dataset, puts `line` in place of its first line containing
// "WHERE", and opens it again.
void replaceWhereLine(Dataset& dataset, const QString& line);

// The texts a report template's clauses are replaced with; an empty text
// leaves its clause as the file has it.
struct Clauses
{
    QString from;
    QString where;
    QString having;
    QString orderBy;
};
// The statement of a template file (UTF-8), without its first line when
// `dropFirstLine` is set, with its clauses replaced. A HAVING clause the
// file lacks goes before a last ORDER BY line, or after the last line.
// Throws DatabaseError when the file cannot be read or lacks a FROM, WHERE
// or ORDER BY line to replace.
QString statementFromFile(const QString& path, bool dropFirstLine, const Clauses& clauses);

} // namespace DatasetUtils
