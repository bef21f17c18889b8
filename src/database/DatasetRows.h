#pragma once

#include <optional>
#include <QByteArray>
#include <QHash>
#include <QVariant>
#include <vector>

// The fetched rows of a dataset. A value of the direct route is kept as
// SQLite stored it (integer, real, UTF-8 text, blob) and becomes a QVariant
// only when it is read: the one the QSQLITE driver gives for it, so readers
// see no difference. A value of the ODBC route is kept as the driver gave it
// (once adjusted). Each row also has a slot per calculated field, filled
// when the field is first read.
class DatasetRows
{
public:
    // Starts over with rows of `columns` fetched values and `calculated` slots.
    void reset(int columns, int calculated);
    int count() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }

    qint64 rowid(int row) const { return m_rows[row].rowid; }
    QVariant value(int row, int column) const;
    bool isNull(int row, int column) const;

    // A row is added by beginRow, then one add... per column in order.
    void beginRow(qint64 rowid);
    void addNull();
    void addInteger(qint64 value);
    void addReal(double value);
    void addText(const char* utf8, qsizetype size);
    void addBlob(const char* data, qsizetype size);
    void addVariant(const QVariant& value);

    // A calculated slot: nothing until it is set.
    const QVariant* calculated(int row, int slot) const;
    void setCalculated(int row, int slot, const QVariant& value) const;
    void forgetCalculated(int row, int slot) const;

    // The first row of `other` (with the same columns) put before `at`, or
    // in place of `row`; its calculated slots start empty.
    void insertFrom(int at, const DatasetRows& other);
    void replaceFrom(int row, const DatasetRows& other);
    void remove(int row);

    // The first row whose `column` holds the integer `value` (-1: none),
    // through an index of that column made on first use and kept until the
    // rows change, so a dataset finds a row by its Id whatever its size.
    // Nothing when the column holds anything but integers and nulls, or an
    // integer a double does not hold exactly: a comparison of each row's
    // value is then the only faithful answer.
    std::optional<int> findInteger(int column, qint64 value) const;

private:
    struct Cell
    {
        enum Kind : quint8
        {
            Null,
            Integer,
            Real,
            Text,    // bytes of m_text
            Blob,    // an entry of m_blobs
            Variant, // an entry of m_variants
        };
        union {
            qint64 integer = 0;
            double real;
            qsizetype at; // offset into m_text, or index into m_blobs or m_variants
        };
        quint32 size = 0; // of a text, in bytes
        Kind kind = Null;
    };
    struct Row
    {
        qint64 rowid;
        qsizetype firstCell;
        qsizetype firstSlot;
    };

    const Cell& cell(int row, int column) const { return m_cells[m_rows[row].firstCell + column]; }
    void add(const Cell& cell) { m_cells.push_back(cell); }
    void forgetIndex() { m_indexedColumn = -1; }
    void buildIndex(int column) const;
    void addBlob(const QByteArray& blob);
    // A cell whose value is kept whole in `store`.
    template <typename Value> void addStored(Cell::Kind kind, std::vector<Value>& store, const Value& value);
    void appendCopy(const DatasetRows& other, int row);

    int m_columns = 0;
    int m_calculatedCount = 0;
    std::vector<Row> m_rows;
    std::vector<Cell> m_cells; // the cells of rows removed or replaced stay until the next reset
    QByteArray m_text;
    std::vector<QByteArray> m_blobs;
    std::vector<QVariant> m_variants;
    mutable std::vector<QVariant> m_slots;
    mutable std::vector<bool> m_slotSet;
    // The index of findInteger: one column at a time.
    mutable int m_indexedColumn = -1;
    mutable bool m_indexFaithful = false;
    mutable QHash<qint64, int> m_firstRowOf;
};
