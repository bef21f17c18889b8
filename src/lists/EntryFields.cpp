#include "EntryFields.h"

#include "EntryDialog.h"
#include "FieldShortcuts.h"
#include "TComboList.h"
#include "TSelectDate.h"
#include "TStrList.h"

#include <QLineEdit>

namespace EntryFields {

QLineEdit* addDateField(EntryDialog& dialog, const QString& caption, const QString& name, const QString& field,
                        const QString& buttonName, const QString& hint)
{
    QLineEdit* edit = dialog.addLineField(caption, name, field);
    const auto open = [edit] { TSelectDate::open(edit); };
    dialog.addPickButton(edit, buttonName, hint, open);
    FieldShortcuts::install(edit, open);
    return edit;
}

QLineEdit* addPickListField(EntryDialog& dialog, const QString& caption, const QString& name,
                            const QString& field, const QString& buttonName, const QString& hint,
                            const PickList& list)
{
    QLineEdit* edit = dialog.addLineField(caption, name, field, list.listOnly);
    const auto open = [edit, list] {
        if (!list.column.isEmpty())
            TStrList::openColumn(edit, *list.items, list.column);
        else
            TStrList::open(edit, list.fixedEntries);
    };
    dialog.addPickButton(edit, buttonName, hint, open);
    FieldShortcuts::Action editList;
    if (!list.column.isEmpty())
        editList = [edit, list] { TComboList::edit(list.editorTitle, *list.items, list.column, edit->window()); };
    FieldShortcuts::install(edit, open, editList);
    return edit;
}

} // namespace EntryFields
