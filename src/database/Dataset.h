#pragma once

#include "DatasetRows.h"
#include "Money.h"
#include "Schema.h"

#include <functional>
#include <QBitArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <vector>

// The edit masks of the record fields.
namespace EditMasks {
inline const QString date = QStringLiteral("!99/99/0000;1;_");
inline const QString time = QStringLiteral("!90:00;1;_");
inline const QString socialSecurityNumber = QStringLiteral("!9 99 99 99 999 999 00;1;_");
} // namespace EditMasks

class Dataset;
class QSqlDatabase;
struct FetchedColumn;
struct SelectShape;

// One field of a dataset: of its current row (the edit buffer while the
// row is being edited), or of a given fetched row. A small handle, valid
// until the dataset is closed.
class Field
{
public:
    Field(const Dataset* dataset, int index, int row = -1);

    int index() const { return m_index; }
    // Its name in the dataset: the column's name, or "TABLE.Column" when
    // two joined tables give the same column name.
    QString name() const;
    QString displayLabel() const; // the label when one is set, else the name
    Schema::ColumnType type() const;
    int size() const; // maximum characters of a text column; 0 when unlimited
    bool isCalculated() const;
    bool isReadOnly() const;
    QString displayFormat() const;
    QString editFormat() const;
    QString editMask() const; // Date/Time columns default to "!99/99/0000;1;_"

    // Readers never fail: a value that does not read gives 0, false or an
    // invalid date, as a typed but unposted text may not be valid yet.
    QVariant value() const;
    bool isNull() const;
    QString asString() const; // dates as dd/mm/yyyy, numbers with the locale's separator, Yes/No as Oui/Non
    int asInteger() const;
    double asDouble() const;
    Money::Amount asMoney() const;
    QDate asDate() const;
    bool asBoolean() const;
    QByteArray asBytes() const;
    QString displayText() const; // with the display format
    QString editText() const;    // with the edit format

    // Writers change the edit buffer (the dataset is in edit or insert);
    // the value is checked against the column when the row is posted.
    void setValue(const QVariant& value) const;
    void setAsString(const QString& text) const;
    void setAsInteger(int value) const;
    void setAsDouble(double value) const;
    void setAsDate(const QDate& value) const;
    void setAsBoolean(bool value) const;
    void setAsBytes(const QByteArray& value) const;
    void clear() const;

private:
    Dataset* m_dataset;
    int m_index;
    int m_row;
};

// The rows of one statement, fetched into memory when it opens, with a
// current row that can be edited and posted back. The statement is kept as
// lines in the Jet dialect; each line can be swapped before opening.
//
// Rows of a single-table statement are updated and deleted through SQLite's
// rowid, so tables without an Id work too; statements over joins are read-only.
// Values go to the database as bound parameters only.
class Dataset : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Inactive,
        Browse,
        Edit,
        Insert
    };
    using Handler = std::function<void(Dataset&)>;
    // Returns the value of a calculated field for the row being computed;
    // it reads the row's other fields through dataset.field(...).
    using Calculation = std::function<QVariant(const Dataset& dataset)>;

    explicit Dataset(const QString& name = {}, QObject* parent = nullptr);
    ~Dataset() override;

    QString name() const { return objectName(); }
    // The Qt SQL connection to use; empty for the program's shared connection.
    void setConnectionName(const QString& connectionName) { m_connectionName = connectionName; }

    const QStringList& sql() const { return m_sql; }
    void setSql(const QStringList& lines); // closes the dataset first
    void setSql(const QString& text);      // split into lines
    // Puts `line` in place of the first line that contains "WHERE" (compared
    // in upper case); closes the dataset first. Throws when there is no such line.
    void setWhereLine(const QString& line);

    // Runs the statement and fetches its rows; the first row becomes current.
    void open();
    void close(); // a pending edit is abandoned
    bool isActive() const { return m_state != State::Inactive; }
    // Runs a statement that returns no rows.
    void execSql();

    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    bool isModified() const { return m_modified; }
    bool canModify() const { return isActive() && !m_table.isEmpty(); }
    QString tableName() const { return m_table; }

    int recordCount() const { return m_rows.count(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    int currentRow() const { return m_current; } // -1 when there is none
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }

    // Moving away from a changed row posts it; an unchanged edit is dropped.
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row);
    bool locate(const QString& fieldName, const QVariant& value);
    bool locateId(int id);

    void edit();   // on an empty dataset, inserts
    void insert(); // a new row before the current one
    void append(); // a new row after the last one
    void post();
    void cancel();
    void remove(); // deletes the current row

    // While disabled, data-aware widgets are not told of changes; enabling
    // again tells them everything changed. Calls nest.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    QStringList fieldNames() const;
    int fieldIndex(const QString& name) const; // -1 when absent; case does not matter
    Field field(const QString& name) const;    // throws DatabaseError when absent
    Field field(int index) const { return Field(this, index); }
    Field fieldAt(int row, int index) const { return Field(this, index, row); }

    // Settings by field name, kept while the dataset is closed and reopened.
    void addCalculatedField(const QString& name, Schema::ColumnType type, Calculation calculation);
    void setDisplayFormat(const QString& fieldName, const QString& format);
    void setEditFormat(const QString& fieldName, const QString& format);
    void setEditMask(const QString& fieldName, const QString& mask);
    void setDisplayLabel(const QString& fieldName, const QString& label);

    // Events: a handler that throws stops the operation (post, delete).
    void setOnNewRecord(Handler handler) { m_onNewRecord = std::move(handler); }
    void setBeforePost(Handler handler) { m_beforePost = std::move(handler); }
    void setAfterPost(Handler handler) { m_afterPost = std::move(handler); }
    void setBeforeDelete(Handler handler) { m_beforeDelete = std::move(handler); }
    // After the row is gone from the table; a handler that throws reports
    // a failure but the deletion stands.
    void setAfterDelete(Handler handler) { m_afterDelete = std::move(handler); }
    void setAfterScroll(Handler handler) { m_afterScroll = std::move(handler); }

signals:
    // Change notifications for data-aware widgets.
    void reset();             // the rows were replaced: opened, closed, a row added or removed
    void rowUpdated(int row); // one fetched row took new values
    void currentChanged();    // another row became current, or the current row's values changed
    void stateChanged();
    void fieldChanged(int index); // a value of the row being edited, or how a field is shown, changed

private:
    friend class Field;

    struct FieldSettings
    {
        QString displayFormat;
        QString editFormat;
        QString editMask;
        QString displayLabel;
    };
    struct FieldDef
    {
        QString name;
        QString upperBare;
        QString upperQualified; // "TABLE.COLUMN" when the table is known
        QString column;         // the updatable table's column it writes; empty: read-only
        Schema::ColumnType type = Schema::ColumnType::Text;
        int size = 0;
        int calculation = -1; // index into m_calculations
        FieldSettings settings;
    };
    struct CalculatedField
    {
        QString name;
        Schema::ColumnType type;
        Calculation calculation;
    };
    struct TableColumn
    {
        QString name;
        QString declared;
        bool primaryKey;
    };
    using TableColumns = QHash<QString, TableColumn>; // by upper-case name
    // The row a calculation is computing: a fetched row, or the edit buffer.
    struct Calculating
    {
        int row = -1;
        const QList<QVariant>* buffer = nullptr;
    };

    // Dataset.cpp: fields, settings, values
    const FieldDef& definition(int index) const; // throws for an index not (or no longer) there
    QString label(int index) const;
    void changeSettings(const QString& fieldName, const std::function<void(FieldSettings&)>& change);
    void resolveSettings();
    QVariant valueAt(int index, int row) const;
    QVariant fetchedValue(int row, int index) const;
    QVariant calculatedValue(int row, int index) const;
    void calculate(QList<QVariant>& values) const; // every calculated field of the edit buffer
    void setFieldValue(int index, const QVariant& value);
    void checkActive() const;
    template <typename Signal, typename... Args> void notify(Signal signal, Args... args)
    {
        if (m_disabled == 0)
            (this->*signal)(args...);
    }

    // DatasetFetch.cpp: reading the rows and moving among them
    QSqlDatabase connection() const;
    QString translatedStatement() const;
    void buildFields(const std::vector<FetchedColumn>& fetched, bool withRowid, const SelectShape& shape,
                     const TableColumns& tableColumns);
    std::vector<Schema::ColumnType> fetchedTypes() const;
    DatasetRows refetch(qint64 rowid) const;
    void checkBrowseMode();
    void moveCurrent(int row, bool bofHit, bool eofHit);
    void afterScroll();

    // DatasetWriting.cpp: the edit buffer written back through the rowid
    void startInsert(int at);

    QString m_connectionName;
    QStringList m_sql;
    State m_state = State::Inactive;
    QString m_table;      // updatable table; empty for a read-only statement
    QString m_selectList; // for fetching one row back after a post
    QString m_fromClause;

    std::vector<FieldDef> m_fields;
    int m_fetchedCount = 0;                  // fields of the statement, before the calculated ones
    QHash<QString, int> m_fieldByName;       // by upper-case name
    mutable QHash<QString, int> m_spellings; // by the name as callers write it
    DatasetRows m_rows;
    int m_current = -1;
    bool m_bof = true;
    bool m_eof = true;

    QList<QVariant> m_buffer;
    QBitArray m_assigned;
    bool m_modified = false;
    int m_insertAt = -1;
    int m_previousCurrent = -1;
    mutable Calculating m_calculating;

    std::vector<CalculatedField> m_calculations;
    QHash<QString, FieldSettings> m_settings;
    int m_disabled = 0;

    Handler m_onNewRecord;
    Handler m_beforePost;
    Handler m_afterPost;
    Handler m_beforeDelete;
    Handler m_afterDelete;
    Handler m_afterScroll;
};
