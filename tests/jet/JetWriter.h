#pragma once

#include <cstdint>
#include <memory>
#include <QByteArray>
#include <QDate>
#include <QString>
#include <variant>
#include <vector>

// A writer of Jet 4 (Access 2000) database files for the tests, after the
// format notes of the mdbtools project: the first page with its scrambled
// part, the catalogue MSysObjects, one definition page a table, data pages,
// long-value pages for memos and OLE values (in the row, on one page, or
// chained over several), usage maps of both forms; no indexes. Rows stream
// to the file as they are added, so large files need little memory.
namespace JetWriter {

enum class Type : std::uint8_t
{
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Text = 0x0a,
    Ole = 0x0b,
    Memo = 0x0c,
};

struct Column
{
    QString name;
    Type type;
    int size = 0; // characters, for Text
    bool autoIncrement = false;
};

struct Money
{
    std::int64_t units; // 1/10 000
};
struct Days
{
    double value; // as Jet stores a date: days since 30/12/1899
};
using Value = std::variant<std::monostate, bool, std::int64_t, double, Money, Days, QString, QByteArray>;

inline Value null()
{
    return std::monostate{};
}
Value date(const QDate& day, int seconds = 0);

struct Options
{
    QString password;               // stored under its mask, as Access stores it
    bool indirectUsageMaps = false; // the maps' second form even where the first would do
    bool compressText = true;       // Access's compressed UCS-2 where it is shorter
    double created = 45123.5;       // creation date, which masks the password
};

class File
{
public:
    // Throws std::runtime_error when the file cannot be written.
    explicit File(const QString& path, Options options = {});
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Returns the table's number for addRow. The engine's counter of an
    // autoincrement column goes past the last row's number up to
    // `nextAutoNumber`, as after rows deleted at the end.
    int addTable(const QString& name, std::vector<Column> columns, std::int64_t nextAutoNumber = 0);
    // One value per column, in order; an autoincrement column takes its
    // number from the value given (a row may skip numbers).
    void addRow(int table, const std::vector<Value>& values);
    // Writes the catalogue, the definitions and the maps, and closes the file.
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A first page of an Access 97 (Jet 3) file followed by an empty page.
void writeJet3File(const QString& path);

} // namespace JetWriter
