#include "ReferenceLists.h"

#include "PersonPage.h"
#include "TDataModule1.h"

#include <memory>

TEnterDoctor::TEnterDoctor(TDataModule1& dm, Dataset& entry, QWidget* parent)
    : TEnterReference(ReferenceKind::Doctor, dm, entry, parent)
{
}

TEnterPharmacy::TEnterPharmacy(TDataModule1& dm, Dataset& entry, QWidget* parent)
    : TEnterReference(ReferenceKind::Pharmacy, dm, entry, parent)
{
}

TEnterDrug::TEnterDrug(TDataModule1& dm, Dataset& entry, QWidget* parent)
    : TEnterReference(ReferenceKind::Drug, dm, entry, parent)
{
}

TEnterVaccine::TEnterVaccine(TDataModule1& dm, Dataset& entry, QWidget* parent)
    : TEnterReference(ReferenceKind::Vaccine, dm, entry, parent)
{
}

TEnterIllness::TEnterIllness(TDataModule1& dm, Dataset& entry, QWidget* parent)
    : TEnterReference(ReferenceKind::Illness, dm, entry, parent)
{
}

TDoctorList::TDoctorList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Doctor, dm, parent)
{
}

TPharmacyList::TPharmacyList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Pharmacy, dm, parent)
{
}

TDrugList::TDrugList(TDataModule1& dm, QWidget* parent) : TReferenceList(ReferenceKind::Drug, dm, parent) {}

TVaccineList::TVaccineList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Vaccine, dm, parent)
{
}

TIllnessList::TIllnessList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Illness, dm, parent)
{
}

namespace ReferenceLists {
namespace {
std::unique_ptr<TReferenceList> create(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
{
    switch (kind) {
    case ReferenceKind::Doctor:
        return std::make_unique<TDoctorList>(dm, parent);
    case ReferenceKind::Pharmacy:
        return std::make_unique<TPharmacyList>(dm, parent);
    case ReferenceKind::Drug:
        return std::make_unique<TDrugList>(dm, parent);
    case ReferenceKind::Vaccine:
        return std::make_unique<TVaccineList>(dm, parent);
    case ReferenceKind::Illness:
        return std::make_unique<TIllnessList>(dm, parent);
    }
    return nullptr;
}
} // namespace

void open(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
{
    const std::unique_ptr<TReferenceList> window = create(kind, dm, parent);
    window->exec();
}

void installCommands(MainWindowHost& host, TDataModule1& dm)
{
    const struct
    {
        const char* name;
        ReferenceKind kind;
    } entries[] = {{"Maladies1", ReferenceKind::Illness},
                   {"Vaccins1", ReferenceKind::Vaccine},
                   {"Mdicaments1", ReferenceKind::Drug},
                   {"Praticiens1", ReferenceKind::Doctor},
                   {"Pharmacie1", ReferenceKind::Pharmacy}};
    for (const auto& e : entries) {
        const ReferenceKind kind = e.kind;
        host.setCommand(QString::fromLatin1(e.name), [&host, &dm, kind] { open(kind, dm, host.window()); });
    }
}
} // namespace ReferenceLists
