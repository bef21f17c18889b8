#include "TEnterReference.h"

#include "Dataset.h"
#include "EntryFields.h"
#include "TDataModule1.h"

#include <QLineEdit>

TEnterReference::TEnterReference(ReferenceKind kind, TDataModule1& dm, Dataset& entry, QWidget* parent)
    : EntryDialog(entry, ReferenceMembers::of(kind).entryName, ReferenceMembers::of(kind).entryTitle, parent)
{
    const ReferenceMember& member = ReferenceMembers::of(kind);
    for (const ReferenceField& field : member.fields) {
        const QString name = QStringLiteral("Ed_") + field.field;
        if (field.multiLine)
            addMemoField(field.caption, name, field.field);
        else if (field.hasPickList())
            EntryFields::addPickListField(
                *this, field.caption, name, field.field, field.pickButton, field.pickHint,
                {&dm.ComboItems, field.pickColumn, field.editorTitle, field.fixedEntries});
        else
            addLineField(field.caption, name, field.field);
    }
    const QString required = member.requiredField;
    setOkRule([this, required] { return ReferenceMembers::isFilled(row().field(required).asString()); });
}
