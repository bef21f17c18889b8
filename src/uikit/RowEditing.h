#pragma once

#include <functional>
#include <QString>
#include <QStringList>

class Dataset;

// Adding, changing and deleting one row of a table through an entry window,
// the way every grid panel and the documents' picture band do it.
namespace RowEditing {

// Shows the entry window on the row, which is in insert or edit; true when
// the window posted it.
using Entry = std::function<bool(Dataset& row)>;

// Puts a new row of `table` in insert, sets its defaults, runs the entry;
// whatever the entry leaves pending is cancelled, a throw included. True
// when the row was posted.
bool add(Dataset& table, const std::function<void(Dataset& row)>& defaults, const Entry& entry);
// The same for the current row of `table`, put in edit.
bool change(Dataset& table, const Entry& entry);

// The row a command works on (or the few it names): for as long as it
// lives, the table dataset is open on that row alone (on none, to add one),
// never on the whole table. However the command ends, a throw included, no
// change stays pending, and the dataset is closed with its designed
// statement back.
class ScopedRow
{
public:
    // The row of that Id, -1 for none; with another column, the rows whose
    // column holds that value ("WHERE <idColumn>=<id>").
    ScopedRow(Dataset& table, int id, const QString& idColumn = QStringLiteral("Id"));
    // The row the caller's WHERE line names (one that also checks its kind, say).
    ScopedRow(Dataset& table, const QString& whereLine);
    ~ScopedRow();
    ScopedRow(const ScopedRow&) = delete;
    ScopedRow& operator=(const ScopedRow&) = delete;

    Dataset& row() const { return m_table; }
    // Whether the row is there: it may have gone meanwhile.
    bool found() const;

private:
    Dataset& m_table;
    QStringList m_design;
};

} // namespace RowEditing
