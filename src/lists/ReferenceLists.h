#pragma once

#include "TEnterReference.h"
#include "TReferenceList.h"

// The five members of the reference-list family under their own names.
// Each list window opens its own entry window; everything else is shared.

class TEnterDoctor : public TEnterReference
{
    Q_OBJECT
public:
    explicit TEnterDoctor(TDataModule1& dm, QWidget* parent = nullptr);
};

class TEnterPharmacy : public TEnterReference
{
    Q_OBJECT
public:
    explicit TEnterPharmacy(TDataModule1& dm, QWidget* parent = nullptr);
};

class TEnterDrug : public TEnterReference
{
    Q_OBJECT
public:
    explicit TEnterDrug(TDataModule1& dm, QWidget* parent = nullptr);
};

class TEnterVaccine : public TEnterReference
{
    Q_OBJECT
public:
    explicit TEnterVaccine(TDataModule1& dm, QWidget* parent = nullptr);
};

class TEnterIllness : public TEnterReference
{
    Q_OBJECT
public:
    explicit TEnterIllness(TDataModule1& dm, QWidget* parent = nullptr);
};

class TDoctorList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TDoctorList(TDataModule1& dm, QWidget* parent = nullptr);

protected:
    TEnterReference* newEntryWindow() override { return new TEnterDoctor(dataModule(), this); }
};

class TPharmacyList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TPharmacyList(TDataModule1& dm, QWidget* parent = nullptr);

protected:
    TEnterReference* newEntryWindow() override { return new TEnterPharmacy(dataModule(), this); }
};

class TDrugList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TDrugList(TDataModule1& dm, QWidget* parent = nullptr);

protected:
    TEnterReference* newEntryWindow() override { return new TEnterDrug(dataModule(), this); }
};

class TVaccineList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TVaccineList(TDataModule1& dm, QWidget* parent = nullptr);

protected:
    TEnterReference* newEntryWindow() override { return new TEnterVaccine(dataModule(), this); }
};

class TIllnessList : public TReferenceList
{
    Q_OBJECT
public:
    explicit TIllnessList(TDataModule1& dm, QWidget* parent = nullptr);

protected:
    TEnterReference* newEntryWindow() override { return new TEnterIllness(dataModule(), this); }
};

namespace ReferenceLists {
// Shows the member's list window modally on the main data module, as the
// "&Listes" menu does. Throws DatabaseError when its list cannot be read.
void open(ReferenceKind kind, QWidget* parent);
} // namespace ReferenceLists
