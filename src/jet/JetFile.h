#pragma once

#include "Errors.h"
#include "Money.h"

#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>
#include <vector>

// Reading the Jet 4 (Access 2000) files of the Windows version, through
// libmdb. Every user table with its columns and types, and its rows with
// each value as stored: integers, exact currency, raw dates, texts decoded
// from UCS-2 (compressed or not), long values byte for byte over as many
// pages as they take. Read-only: the file is never written.
namespace Jet {

// A file that cannot be read, or not as one of these files: the text says
// why, in French.
class JetError : public AppError
{
public:
    using AppError::AppError;
};

enum class Type
{
    Boolean,
    Byte,
    Integer,
    Long,
    Currency,
    Single,
    Double,
    DateTime,
    Binary,
    Text,
    Ole,
    Memo,
    Guid,
    Numeric
};

struct Column
{
    QString name;
    Type type = Type::Long;
    int size = 0; // characters, for Text
    bool autoIncrement = false;
};

struct Table
{
    QString name;
    std::vector<Column> columns;
    qint64 rowCount = 0;                          // as the table's definition says
    qint64 nextAutoNumber = 0;                    // the engine's counter, 0 when it has none
    int columnIndex(const QString& column) const; // -1 when absent; any case
};

class File;

// The row being read, valid during the call that hands it over. Values are
// asked by column index, with the accessor of the column's type.
class Row
{
public:
    bool isNull(int column) const;
    bool boolean(int column) const;
    qint64 integer(int column) const; // Byte, Integer, Long
    double real(int column) const;    // Single (its shortest decimal), Double
    Money::Amount money(int column) const;
    double days(int column) const;      // Date/Time as stored (see JetDate)
    QByteArray utf8(int column) const;  // Text, Memo; Guid and Numeric as their text
    QByteArray bytes(int column) const; // OLE, Binary: byte for byte
    QString text(int column) const { return QString::fromUtf8(utf8(column)); }

private:
    friend class File;
    Row(const File& file, const void* fields, int tableIndex)
        : m_file(file), m_fields(fields), m_table(tableIndex)
    {
    }
    const File& m_file;
    const void* m_fields;
    int m_table;
};

class File
{
public:
    // Opens a Jet 4 file. Throws JetError for a missing or unreadable file,
    // one that is not an Access database, an Access 97 (Jet 3) or 2007+
    // file, a file protected by a database password, or a damaged one.
    explicit File(const QString& path);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const QString& path() const;
    const std::vector<Table>& tables() const;          // user tables, in catalogue order
    const Table* findTable(const QString& name) const; // any case

    // Hands over every row of `table` in stored order, until `each` returns
    // false. Throws JetError when the file is damaged: fewer rows than the
    // table says it holds, or a long value shorter than its length.
    void readRows(const Table& table, const std::function<bool(const Row&)>& each) const;

private:
    friend class Row;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Whether the file begins as an Access database does, of any version.
bool looksLikeJet(const QString& path);

} // namespace Jet
