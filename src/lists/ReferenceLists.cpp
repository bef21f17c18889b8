#include "ReferenceLists.h"

#include "TDataModule1.h"

#include <memory>

TEnterDoctor::TEnterDoctor(TDataModule1& dm, QWidget* parent)
    : TEnterReference(ReferenceKind::Doctor, dm, parent)
{
    setObjectName(QStringLiteral("EnterDoctor"));
}

TEnterPharmacy::TEnterPharmacy(TDataModule1& dm, QWidget* parent)
    : TEnterReference(ReferenceKind::Pharmacy, dm, parent)
{
    setObjectName(QStringLiteral("EnterPharmacy"));
}

TEnterDrug::TEnterDrug(TDataModule1& dm, QWidget* parent) : TEnterReference(ReferenceKind::Drug, dm, parent)
{
    setObjectName(QStringLiteral("EnterDrug"));
}

TEnterVaccine::TEnterVaccine(TDataModule1& dm, QWidget* parent)
    : TEnterReference(ReferenceKind::Vaccine, dm, parent)
{
    setObjectName(QStringLiteral("EnterVaccine"));
}

TEnterIllness::TEnterIllness(TDataModule1& dm, QWidget* parent)
    : TEnterReference(ReferenceKind::Illness, dm, parent)
{
    setObjectName(QStringLiteral("EnterIllness"));
}

TDoctorList::TDoctorList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Doctor, dm, parent)
{
    setObjectName(QStringLiteral("DoctorList"));
}

TPharmacyList::TPharmacyList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Pharmacy, dm, parent)
{
    setObjectName(QStringLiteral("PharmacyList"));
}

TDrugList::TDrugList(TDataModule1& dm, QWidget* parent) : TReferenceList(ReferenceKind::Drug, dm, parent)
{
    setObjectName(QStringLiteral("DrugList"));
}

TVaccineList::TVaccineList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Vaccine, dm, parent)
{
    setObjectName(QStringLiteral("VaccineList"));
}

TIllnessList::TIllnessList(TDataModule1& dm, QWidget* parent)
    : TReferenceList(ReferenceKind::Illness, dm, parent)
{
    setObjectName(QStringLiteral("IllnessList"));
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

void open(ReferenceKind kind, QWidget* parent)
{
    const std::unique_ptr<TReferenceList> window = create(kind, dataModule1(), parent);
    window->exec();
}
} // namespace ReferenceLists
