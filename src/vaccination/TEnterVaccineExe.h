#pragma once

#include "EntryDialog.h"

class QLineEdit;
class TDataModule1;

// Entry of one injection on the current row of the vaccinations table,
// which the caller has put in insert or edit. The vaccine is required, the
// practitioner is not; both are chosen from their reference lists.
class TEnterVaccineExe : public EntryDialog
{
    Q_OBJECT
public:
    TEnterVaccineExe(TDataModule1& dm, Dataset& vaccine, QWidget* parent = nullptr);

protected:
    // A booster cannot come before its injection.
    void checkBeforePost() override;

private:
    QLineEdit* m_vaccine;
};
