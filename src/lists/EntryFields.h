#pragma once

#include <QString>
#include <QStringList>

class Dataset;
class EntryDialog;
class QLineEdit;

// Entry-dialog fields that open one of the pickers: the date picker, or a
// drop-down pick list (a user's list of COMBOITEMS, or fixed entries).
namespace EntryFields {
// A date field; its pick button and the Enter key open the date picker.
QLineEdit* addDateField(EntryDialog& dialog, const QString& caption, const QString& name, const QString& field,
                        const QString& buttonName, const QString& hint = QStringLiteral("Choisir la date"));

// A field with its drop-down pick list under it (button or Enter). With a
// user's list (`column`), a double-click in the field edits that list under
// `editorTitle`; with `fixedEntries`, those are offered in their order.
struct PickList
{
    Dataset* items = nullptr; // the main data module's ComboItems query
    QString column = {};
    QString editorTitle = {};
    QStringList fixedEntries = {};
    bool listOnly = false; // the field takes no typing: only the list fills it
};
QLineEdit* addPickListField(EntryDialog& dialog, const QString& caption, const QString& name,
                            const QString& field, const QString& buttonName, const QString& hint,
                            const PickList& list);
} // namespace EntryFields
