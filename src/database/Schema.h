#pragma once

#include <optional>
#include <QString>
#include <QStringList>
#include <vector>

// The record database, defined once: every table and column with its Access
// type and size. It builds the template database, gives entry fields and
// posts the size of each text column, and answers type questions about an
// existing file.
namespace Schema {

enum class ColumnType
{
    AutoIncrement,
    Long,
    Short,
    Byte,
    Text,
    Memo,
    Double,
    Single,
    Currency,
    YesNo,
    DateTime,
    Bytes
};

struct Column
{
    QString name;
    ColumnType type;
    int size = 0; // characters, for Text only
};

struct Table
{
    QString name;
    std::vector<Column> columns;
    std::vector<QStringList> indexes; // each an ordered list of column names
};

const std::vector<Table>& tables();

// Names are compared without regard to case, as the engine does.
const Table* findTable(const QString& name);
const Column* findColumn(const QString& table, const QString& column);

// The declared type a column of this Access type gets in SQLite, and back.
QString sqliteType(ColumnType type, int size = 0);
struct DeclaredType
{
    ColumnType type;
    int size;
};
std::optional<DeclaredType> typeFromDeclared(const QString& declared, bool primaryKey);

// The Access spelling of a type, as written in messages and update scripts.
QString accessTypeName(ColumnType type);

QString columnDefinition(const Column& column);
QStringList createStatements(const Table& table);
// One of a table's indexes, named as the template names it.
QString createIndexStatement(const QString& table, const QStringList& columns);
QStringList createStatements();

} // namespace Schema
