#pragma once

#include "CareQueries.h"

class GridPage;
class QWidget;
class TDataModule1;

// Pages "Actes" and "Médicaments": the current person's consultations or
// pharmacy purchases with what each payer reimbursed, their entry windows,
// and the pin button and right-click menu that record a reimbursement.
namespace ActPage {
GridPage* create(TDataModule1& dm, CareQueries::ActKind kind, QWidget* parent);
}
