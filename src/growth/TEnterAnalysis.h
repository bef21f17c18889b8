#pragma once

#include "EntryDialog.h"

class TDataModule1;

// Entry of one analysis definition of the catalogue, on the row the list
// window has put in insert or edit.
class TEnterAnalysis : public EntryDialog
{
    Q_OBJECT
public:
    // `dm` lends the pick list of units.
    TEnterAnalysis(TDataModule1& dm, Dataset& definition, QWidget* parent = nullptr);
};
