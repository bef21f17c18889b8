#pragma once

#include <QString>
#include <QStringList>

class Dataset;
class EntryDialog;
class QLineEdit;
class TDataModule1;
enum class ReferenceKind;

// Entry-dialog fields that open one of the pickers: the date picker, a
// drop-down pick list (a user's list of COMBOITEMS, or fixed entries), or
// the entries of a reference list.
namespace EntryFields {
// A date field; its pick button and the Enter key open the date picker.
QLineEdit* addDateField(EntryDialog& dialog, const QString& caption, const QString& name,
                        const QString& field, const QString& buttonName,
                        const QString& hint = QStringLiteral("Choisir la date"));

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

// A read-only field naming the entry of a reference list (practitioner,
// pharmacy, medicine, vaccine, illness) whose Id the row holds in
// `idField`: "Name (detail)", empty when the row names none or an entry
// since deleted. Its pick button or the Enter key opens the whole list, 15
// pixels wider than the field; the entry chosen shows in the field and its
// Id goes into `idField`. Without a choice the column keeps its value.
QLineEdit* addReferenceField(EntryDialog& dialog, const QString& caption, const QString& name,
                             const QString& idField, const QString& buttonName, const QString& hint,
                             ReferenceKind kind, TDataModule1& dm);
} // namespace EntryFields
