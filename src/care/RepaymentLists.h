#pragma once

#include "CareRules.h"
#include "GridPanel.h"

class TDataModule2;

// The lists of a person's acts or purchases still waiting for a payer,
// opened from the "Tableaux" menu.
namespace RepaymentLists {
// The grid of the list window: its query tied to the person by the scope's filter.
GridPanelSettings settings(TDataModule2& dm2, CareRules::ActKind kind, CareRules::ListScope scope,
                           int personId);
// The window's title: the design's title label and the scope's suffix.
QString title(CareRules::ActKind kind, CareRules::ListScope scope);
// Shows the list modally. Throws DatabaseError when its query cannot be read.
void open(TDataModule2& dm2, CareRules::ActKind kind, CareRules::ListScope scope, int personId,
          QWidget* parent);
} // namespace RepaymentLists
