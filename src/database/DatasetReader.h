#pragma once

#include "Schema.h"

#include <memory>
#include <QString>
#include <vector>

class DatasetRows;
class QSqlDatabase;

// A column of a statement, as the engine reports it.
struct FetchedColumn
{
    QString name;
    QString table;                // the table it comes from; empty for an expression
    Schema::ColumnType valueType; // by its declared type, else by its first value
};

// One SELECT of a dataset being read. On the direct route it runs through
// the connection's own SQLite handle and every value is taken in the type
// SQLite stored it; on the ODBC route it runs through QSqlQuery and every
// value is adjusted to what SQLite gives (DatasetOdbc).
class DatasetReader
{
public:
    // Runs the statement; throws DatabaseError with the engine's text.
    DatasetReader(const QSqlDatabase& db, const QString& statement);
    ~DatasetReader();
    DatasetReader(const DatasetReader&) = delete;
    DatasetReader& operator=(const DatasetReader&) = delete;

    const std::vector<FetchedColumn>& columns() const;
    // Appends every row to `rows`, the first column as its rowid when
    // `withRowid`; `types` gives the type of each column after it. A read
    // that fails half-way (a damaged page) throws: the rows read so far are
    // not all of them.
    void readInto(DatasetRows& rows, bool withRowid, const std::vector<Schema::ColumnType>& types);

    class Route;

private:
    std::unique_ptr<Route> m_route;
};
