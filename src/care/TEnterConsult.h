#pragma once

#include "TEnterAct.h"

class QLineEdit;
class TDataModule1;

// Entry of one consultation or care act: when, with which practitioner,
// for which illness, how serious, what it cost, the remarks and both
// reimbursements. It cannot be confirmed without a practitioner.
class TEnterConsult : public TEnterAct
{
    Q_OBJECT
public:
    TEnterConsult(TDataModule1& dm, Dataset& act, QWidget* parent = nullptr);

private:
    QLineEdit* m_doctor;
};
