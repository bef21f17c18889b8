#pragma once

#include <QList>
#include <QObject>
#include <QString>

class Dataset;
class EntryDialog;
class QLineEdit;

// A read-only entry field that names a row of a reference list (a
// practitioner, a pharmacy, a medicine, an illness, a vaccine) and keeps
// that row's Id in a key column of the row being edited. It shows
// "Name (Detail)"; its pick button or Enter lists the reference rows in
// the list's own order, and choosing one writes its Id into the key column
// at once (cancelling the dialog drops it with the rest of the row). A key
// that names no row any more shows an empty field.
class ReferencePickField : public QObject
{
    Q_OBJECT
public:
    struct Source
    {
        Dataset* list = nullptr; // the data module's query of the list: its statement is read, not its rows
        QString nameColumn;
        QString detailColumn;
    };

    // Adds the field and its pick button to the dialog's form, showing
    // what the row's `keyField` names.
    static ReferencePickField* add(EntryDialog& dialog, const QString& caption, const QString& name,
                                   const QString& buttonName, const QString& hint, const Source& source,
                                   const QString& keyField);

    QLineEdit* edit() const { return m_edit; }
    // The Ids behind the entries of the last list shown, in its order.
    const QList<int>& keys() const { return m_keys; }
    // The entry picked since the dialog opened; -1 when none.
    int pickedIndex() const { return m_picked; }

    // "Name (Detail)" of the reference row with that Id; empty when there is none.
    QString textOf(int id) const;

private:
    ReferencePickField(EntryDialog& dialog, QLineEdit* edit, Source source, QString keyField);
    void openList();
    void choose(int index);

    EntryDialog& m_dialog;
    QLineEdit* m_edit;
    Source m_source;
    QString m_keyField;
    QList<int> m_keys;
    int m_picked = -1;
};
