#pragma once

#include <QString>

// The ODBC data source of the ODBC route, kept in unixODBC's odbc.ini.
namespace OdbcDataSource {

// The unixODBC driver that db.ini's [ODBC] Driver stands for: the Access
// driver's name of older db.ini files means the SQLite ODBC driver
// ("SQLite3" in odbcinst.ini); any other name is taken as written.
QString driverName(const QString& configured);

// Creates or re-points the data source `name` at the database file for the
// driver: a system data source when the system odbc.ini can be written,
// else one of the user's. Does nothing when the file does not exist.
// Returns whether a data source was written; a failure is otherwise
// silent (the connection that follows reports it).
bool registerDataSource(const QString& name, const QString& driver, const QString& file);

} // namespace OdbcDataSource
