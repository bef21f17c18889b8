#include "EntryFields.h"

#include "Dataset.h"
#include "DatasetUtils.h"
#include "EntryDialog.h"
#include "FieldShortcuts.h"
#include "ReferenceChoices.h"
#include "TComboList.h"
#include "TSelectDate.h"
#include "TStrList.h"

#include <memory>
#include <QLineEdit>

namespace EntryFields {

QLineEdit* addDateField(EntryDialog& dialog, const QString& caption, const QString& name,
                        const QString& field, const QString& buttonName, const QString& hint)
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
        editList = [edit, list] {
            TComboList::edit(list.editorTitle, *list.items, list.column, edit->window());
        };
    FieldShortcuts::install(edit, open, editList);
    return edit;
}

QLineEdit* addReferenceField(EntryDialog& dialog, const QString& caption, const QString& name,
                             const QString& idField, const QString& buttonName, const QString& hint,
                             ReferenceKind kind, TDataModule1& dm)
{
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    dialog.addFormRow(caption, edit);
    Dataset& row = dialog.row();
    const Field current = row.field(idField);
    if (!current.isNull())
        edit->setText(ReferenceChoices::textOf(kind, dm, current.asInteger()));
    QObject::connect(edit, &QLineEdit::textChanged, &dialog, &EntryDialog::updateOk);

    // The Ids behind the entries of the list last shown, in its order.
    auto ids = std::make_shared<QList<int>>();
    const auto open = [edit, ids, kind, &dm, &row, idField] {
        ids->clear();
        QStringList texts;
        for (const ReferenceEntry& entry : ReferenceChoices::entries(kind, dm)) {
            ids->append(entry.id);
            texts.append(entry.text);
        }
        TStrList* list = TStrList::open(edit, texts, 15);
        QObject::connect(list, &TStrList::chosen, edit, [ids, &row, idField](int index) {
            if (index < 0 || index >= ids->size())
                return;
            DatasetUtils::editIfNeeded(row);
            row.field(idField).setAsInteger(ids->at(index));
        });
    };
    dialog.addPickButton(edit, buttonName, hint, open);
    FieldShortcuts::install(edit, open);
    return edit;
}

} // namespace EntryFields
