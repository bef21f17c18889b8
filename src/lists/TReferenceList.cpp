#include "TReferenceList.h"

#include "ReferenceLists.h"
#include "TDataModule1.h"

#include <memory>

#include <algorithm>
#include <QHeaderView>

namespace {
QString objectNameOf(ReferenceKind kind)
{
    switch (kind) {
    case ReferenceKind::Doctor:
        return QStringLiteral("DoctorList");
    case ReferenceKind::Pharmacy:
        return QStringLiteral("PharmacyList");
    case ReferenceKind::Drug:
        return QStringLiteral("DrugList");
    case ReferenceKind::Vaccine:
        return QStringLiteral("VaccineList");
    case ReferenceKind::Illness:
        return QStringLiteral("IllnessList");
    }
    return {};
}

// Each list opens its own member's entry window.
std::unique_ptr<TEnterReference> entryWindow(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
{
    switch (kind) {
    case ReferenceKind::Doctor:
        return std::make_unique<TEnterDoctor>(dm, parent);
    case ReferenceKind::Pharmacy:
        return std::make_unique<TEnterPharmacy>(dm, parent);
    case ReferenceKind::Drug:
        return std::make_unique<TEnterDrug>(dm, parent);
    case ReferenceKind::Vaccine:
        return std::make_unique<TEnterVaccine>(dm, parent);
    case ReferenceKind::Illness:
        return std::make_unique<TEnterIllness>(dm, parent);
    }
    return nullptr;
}

GridPanelSettings settingsOf(ReferenceKind kind, TDataModule1& dm)
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
    s.runEntry = [kind, &dm](QWidget* parent, Dataset&) {
        return entryWindow(kind, dm, parent)->exec() == QDialog::Accepted;
    };
    return s;
}
} // namespace

TReferenceList::TReferenceList(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
    : ListWindow(objectNameOf(kind), ReferenceMembers::of(kind).listTitle, settingsOf(kind, dm), parent)
{
    const QList<GridColumn>& columns = ReferenceMembers::of(kind).columns;
    QHeaderView* header = panel()->grid()->horizontalHeader();
    header->setDefaultSectionSize(columns.size() > 2 ? 105 : 220);
    header->setStretchLastSection(true);
    int gridWidth = 0;
    for (int c = 0; c < columns.size(); ++c) {
        const int index = dataset().fieldIndex(columns.at(c).field);
        if (index >= 0 && dataset().field(index).type() == Schema::ColumnType::YesNo)
            header->resizeSection(c, 50);
        gridWidth += header->sectionSize(c);
    }
    resize(std::clamp(gridWidth + 120, 600, 1100), 440);
}
