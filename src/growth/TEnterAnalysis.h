#pragma once

#include "EntryDialog.h"

class TDataModule1;

// Entry of one analysis definition of the catalogue, on the current row of
// Lst_Analysis (in insert or edit).
class TEnterAnalysis : public EntryDialog
{
    Q_OBJECT
public:
    explicit TEnterAnalysis(TDataModule1& dm, QWidget* parent = nullptr);
};
