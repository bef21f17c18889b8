#pragma once

#include "ListWindow.h"
#include "ReferenceMember.h"

#include <memory>

class TEnterReference;

// The list window of a reference list: the member's dataset in a grid,
// open while the window is, with the commands that add, change and delete
// its entries. Each change is stored at once, row by row.
class TReferenceList : public ListWindow
{
    Q_OBJECT
public:
    Dataset& dataset() const { return panel()->query(); }
    // The member's entry window on the row being added or changed.
    virtual std::unique_ptr<TEnterReference> newEntryWindow(Dataset& entry) = 0;

protected:
    // Opens the member's dataset. Throws DatabaseError.
    TReferenceList(ReferenceKind kind, TDataModule1& dm, QWidget* parent);
    TDataModule1& dataModule() const { return m_dm; }

private:
    TDataModule1& m_dm;
};
