#include "TEnterReference.h"

#include "Dataset.h"
#include "EntryFields.h"
#include "TDataModule1.h"

#include <QLineEdit>

namespace {
QString objectNameOf(ReferenceKind kind)
{
    switch (kind) {
    case ReferenceKind::Doctor:
        return QStringLiteral("EnterDoctor");
    case ReferenceKind::Pharmacy:
        return QStringLiteral("EnterPharmacy");
    case ReferenceKind::Drug:
        return QStringLiteral("EnterDrug");
    case ReferenceKind::Vaccine:
        return QStringLiteral("EnterVaccine");
    case ReferenceKind::Illness:
        return QStringLiteral("EnterIllness");
    }
    return {};
}
} // namespace

TEnterReference::TEnterReference(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
    : EntryDialog(ReferenceMembers::of(kind).dataset(dm), objectNameOf(kind), ReferenceMembers::of(kind).entryTitle,
                  parent)
{
    const ReferenceMember& member = ReferenceMembers::of(kind);
    for (const ReferenceField& field : member.fields) {
        const QString name = QStringLiteral("Ed_") + field.field;
        if (field.multiLine)
            addMemoField(field.caption, name, field.field);
        else if (field.hasPickList())
            EntryFields::addPickListField(*this, field.caption, name, field.field, field.pickButton, field.pickHint,
                                          {&dm.ComboItems, field.pickColumn, field.editorTitle, field.fixedEntries});
        else
            addLineField(field.caption, name, field.field);
    }
    const QString required = member.requiredField;
    setOkRule([this, required] { return ReferenceMembers::isFilled(row().field(required).asString()); });
}
