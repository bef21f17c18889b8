#pragma once

#include "EntryDialog.h"
#include "ReferenceMember.h"

// The entry window of a reference list, whichever its kind: the kind's
// fields bound to the row of its dataset that the list window has put in
// insert or edit; Ok only once the required name or title holds more than
// blanks. The object name and title are the kind's (EnterDoctor, "  Saisie
// d'un praticien"...).
class TEnterReference : public EntryDialog
{
    Q_OBJECT
public:
    // `dm` lends the pick lists.
    TEnterReference(ReferenceKind kind, TDataModule1& dm, Dataset& entry, QWidget* parent = nullptr);
};
