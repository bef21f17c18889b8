#pragma once

#include <optional>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

// The two readers of Jet files that the tests hold the program's reader and
// the test writer against: mdb-export of mdbtools, and the npm package
// mdb-reader run with node.
namespace JetPeers {

// A value as mdb-export prints it; nothing for NULL. Dates come as
// "yyyy-mm-dd hh:mm:ss", binary values in hexadecimal.
using Field = std::optional<QString>;
using Rows = std::vector<std::vector<Field>>;

QStringList mdbTables(const QString& file);
Rows mdbExport(const QString& file, const QString& table);

// mdb-reader's reading of every user table: {table: {columns, rows}},
// dates as ISO texts in UTC, binary values in hexadecimal.
QJsonObject mdbReader(const QString& file);
// The database password mdb-reader finds in the file; empty for none.
QString mdbReaderPassword(const QString& file);

} // namespace JetPeers
