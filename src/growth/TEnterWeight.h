#pragma once

#include "EntryDialog.h"

struct MeasureKind;

// Entry of one weight or height measurement, on the current row of the
// kind's dataset, which the caller has put in insert or edit.
class TEnterWeight : public EntryDialog
{
    Q_OBJECT
public:
    TEnterWeight(Dataset& measures, const MeasureKind& kind, QWidget* parent = nullptr);

protected:
    void checkBeforePost() override;

private:
    const MeasureKind& m_kind;
};
