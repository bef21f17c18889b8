#pragma once

#include "ListWindow.h"
#include "ReferenceMember.h"

// The list window of a reference list, whichever its kind: the kind's
// dataset in a grid, open while the window is, with the commands that add,
// change and delete its entries through the kind's entry window
// (TEnterReference). Each change is stored at once, row by row. The
// object name and title are the kind's (DoctorList, "  Liste des
// praticiens"...).
class TReferenceList : public ListWindow
{
    Q_OBJECT
public:
    // Opens the kind's dataset. Throws DatabaseError.
    TReferenceList(ReferenceKind kind, TDataModule1& dm, QWidget* parent = nullptr);

    Dataset& dataset() const { return panel()->query(); }
};
