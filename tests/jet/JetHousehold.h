#pragma once

#include "JetWriter.h"
#include "Schema.h"

#include <QString>
#include <QVariant>
#include <vector>

// Jet files of this program's households for the tests and the benchmark:
// an SQLite database of any layout (the 3.20 one of OlderLayout, the
// template's) written table by table, row by row into a Jet 4 file, each
// column under the Access type its declared type stands for.
namespace JetHousehold {

struct TableLayout
{
    QString name;
    std::vector<JetWriter::Column> columns;
    std::vector<Schema::ColumnType> types;
};

// Every table of an SQLite database with its columns, in the database's order.
std::vector<TableLayout> layout(const QString& sqliteFile);

// A table's rows in their stored order, each value as Qt SQL gives it.
std::vector<QVariantList> rows(const QString& sqliteFile, const QString& table);

JetWriter::Type accessType(Schema::ColumnType type);
// A value as the SQLite database holds it, as Jet keeps it.
JetWriter::Value valueOf(const QVariant& value, Schema::ColumnType type);

class Writer
{
public:
    // Creates the Jet file with every table of `source` and copies their
    // rows. Throws std::runtime_error.
    Writer(const QString& source, const QString& target, const JetWriter::Options& options = {});
    const std::vector<TableLayout>& tables() const { return m_tables; }
    const TableLayout& table(const QString& name) const;
    // More rows, one value per column of the table.
    void addRow(const QString& table, const std::vector<JetWriter::Value>& values);
    void finish() { m_file.finish(); }

private:
    JetWriter::File m_file;
    std::vector<TableLayout> m_tables;
    std::vector<int> m_ids;
};

// The template taken back to the last layout the Windows version had (3.51).
void toWindowsLayout(const QString& sqliteFile);

// The whole of it for a database that needs no more rows.
void copy(const QString& source, const QString& target, const JetWriter::Options& options = {});

} // namespace JetHousehold
