#pragma once

#include "ListWindow.h"
#include "ReferenceMember.h"

class TEnterReference;

// The list window of a reference list: the member's dataset in a grid,
// open while the window is, with the commands that add, change and delete
// its entries. Each change is stored at once, row by row.
class TReferenceList : public ListWindow
{
    Q_OBJECT
public:
    Dataset& dataset() const { return panel()->query(); }

protected:
    // Opens the member's dataset. Throws DatabaseError.
    TReferenceList(ReferenceKind kind, TDataModule1& dm, QWidget* parent);
};
