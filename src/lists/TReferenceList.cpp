#include "TReferenceList.h"

#include "TDataModule1.h"
#include "TEnterReference.h"

#include <algorithm>
#include <QHeaderView>

namespace {
GridPanelSettings settingsOf(ReferenceKind kind, TDataModule1& dm, TReferenceList* list)
{
    const ReferenceMember& member = ReferenceMembers::of(kind);
    Dataset& dataset = member.dataset(dm);
    // Messages about a refused value name the field by its caption.
    for (const ReferenceField& field : member.fields) {
        QString label = field.caption;
        if (label.endsWith(QLatin1Char('.')))
            label.chop(1);
        dataset.setDisplayLabel(field.field, label);
    }
    GridPanelSettings s;
    s.gridName = QStringLiteral("BFSDBGridColor2");
    s.accessibleName = member.listTitle.trimmed();
    s.query = &dataset;
    s.columns = member.columns;
    s.lastColumnFills = true;
    s.add = {QStringLiteral("Btn_Add"), QStringLiteral(" Ajouter")};
    s.edit = {QStringLiteral("Btn_Edit"), QStringLiteral(" Modifier")};
    s.remove = {QStringLiteral("Btn_Delete"), QStringLiteral(" Supprimer")};
    // Rows of other tables that name a deleted entry keep its Id and show
    // an empty name: nothing ties them to the list.
    s.deleteQuestion = member.deleteQuestion;
    s.initNewRow = [&member](Dataset& row) {
        for (const auto& [field, value] : member.newRowValues)
            row.field(field).setValue(value);
    };
    s.runEntry = [kind, &dm, list](QWidget*, Dataset& entry) {
        TEnterReference window(kind, dm, entry, list);
        return window.exec() == QDialog::Accepted;
    };
    return s;
}
} // namespace

TReferenceList::TReferenceList(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
    : ListWindow(ReferenceMembers::of(kind).listName, ReferenceMembers::of(kind).listTitle,
                 settingsOf(kind, dm, this), parent)
{
    QHeaderView* header = panel()->grid()->horizontalHeader();
    int gridWidth = 0;
    for (int c = 0; c < header->count(); ++c)
        gridWidth += header->sectionSize(c);
    resize(std::clamp(gridWidth + 120, 600, 1100), 440);
}
