#pragma once

#include "EntryDialog.h"

// Entry of one result of an analysis, on the current row of the Analysis
// dataset, which the caller has put in insert or edit.
class TEnterAnalysisValue : public EntryDialog
{
    Q_OBJECT
public:
    explicit TEnterAnalysisValue(Dataset& results, QWidget* parent = nullptr);

protected:
    void checkBeforePost() override;
};
