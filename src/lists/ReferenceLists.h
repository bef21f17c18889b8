#pragma once

#include "TEnterReference.h"
#include "TReferenceList.h"

// The five members of the reference-list family under their own names.
// Each list window opens its own entry window; everything else is shared.

class TEnterDoctor : public TEnterReference
{
    Q_OBJECT
public:
    TEnterDoctor(TDataModule1& dm, Dataset& entry, QWidget* parent = nullptr);
};

class TEnterPharmacy : public TEnterReference
{
    Q_OBJECT
public:
    TEnterPharmacy(TDataModule1& dm, Dataset& entry, QWidget* parent = nullptr);
};

class TEnterDrug : public TEnterReference
{
    Q_OBJECT
public:
    TEnterDrug(TDataModule1& dm, Dataset& entry, QWidget* parent = nullptr);
};

class TEnterVaccine : public TEnterReference
{
    Q_OBJECT
public:
    TEnterVaccine(TDataModule1& dm, Dataset& entry, QWidget* parent = nullptr);
};

class TEnterIllness : public TEnterReference
{
    Q_OBJECT
public:
    TEnterIllness(TDataModule1& dm, Dataset& entry, QWidget* parent = nullptr);
};

class TDoctorList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TDoctorList(TDataModule1& dm, QWidget* parent = nullptr);
    std::unique_ptr<TEnterReference> newEntryWindow(Dataset& entry) override
    {
        return std::make_unique<TEnterDoctor>(dataModule(), entry, this);
    }
};

class TPharmacyList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TPharmacyList(TDataModule1& dm, QWidget* parent = nullptr);
    std::unique_ptr<TEnterReference> newEntryWindow(Dataset& entry) override
    {
        return std::make_unique<TEnterPharmacy>(dataModule(), entry, this);
    }
};

class TDrugList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TDrugList(TDataModule1& dm, QWidget* parent = nullptr);
    std::unique_ptr<TEnterReference> newEntryWindow(Dataset& entry) override
    {
        return std::make_unique<TEnterDrug>(dataModule(), entry, this);
    }
};

class TVaccineList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TVaccineList(TDataModule1& dm, QWidget* parent = nullptr);
    std::unique_ptr<TEnterReference> newEntryWindow(Dataset& entry) override
    {
        return std::make_unique<TEnterVaccine>(dataModule(), entry, this);
    }
};

class TIllnessList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TIllnessList(TDataModule1& dm, QWidget* parent = nullptr);
    std::unique_ptr<TEnterReference> newEntryWindow(Dataset& entry) override
    {
        return std::make_unique<TEnterIllness>(dataModule(), entry, this);
    }
};

class MainWindowHost;

namespace ReferenceLists {
// Shows the member's list window modally, as the "&Listes" menu does.
// Throws DatabaseError when its list cannot be read.
void open(ReferenceKind kind, TDataModule1& dm, QWidget* parent);
// Wires the five entries of the "&Listes" menu.
void installCommands(MainWindowHost& host, TDataModule1& dm);
} // namespace ReferenceLists
