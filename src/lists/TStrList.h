#pragma once

#include <QPointer>
#include <QWidget>

class Dataset;
class QLineEdit;
class QListWidget;

// The drop-down pick list that opens under a field. Choosing an entry
// writes its text into the field and its index into the field's "tag"
// property; Escape or a click elsewhere closes it without change.
class TStrList : public QWidget
{
    Q_OBJECT
public:
    // Opens the list for the field; the list frees itself when closed.
    static TStrList* open(QLineEdit* field, const QStringList& entries);
    // The list of one of the user's pick lists (a COMBOITEMS column): an
    // empty entry, then the column's lines in alphabetical order.
    static TStrList* openColumn(QLineEdit* field, Dataset& items, const QString& column);

    QListWidget* list() const { return m_list; }
    int entryHeight() const;
    void choose();

signals:
    // An entry was chosen and written into the field: its index in the list.
    void chosen(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TStrList(QLineEdit* field, const QStringList& entries);
    void place();

    QPointer<QLineEdit> m_field;
    QListWidget* m_list;
};
