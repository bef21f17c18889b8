#pragma once

#include "EntryDialog.h"
#include "ReferenceMember.h"

// The entry window of a reference list: the member's fields bound to the
// row of its dataset that the list window has put in insert or edit; Ok
// only once the required name or title holds more than blanks.
class TEnterReference : public EntryDialog
{
    Q_OBJECT
public:
    // `dm` lends the pick lists.
    TEnterReference(ReferenceKind kind, TDataModule1& dm, Dataset& entry, QWidget* parent = nullptr);
};
