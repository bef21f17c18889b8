#pragma once

#include "EntryDialog.h"

// Entry of one event of the person's diary, on the current row of the
// events dataset, which the caller has put in insert or edit.
class TEnterEvents : public EntryDialog
{
    Q_OBJECT
public:
    explicit TEnterEvents(Dataset& events, QWidget* parent = nullptr);
};
