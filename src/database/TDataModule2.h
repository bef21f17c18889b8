#pragma once

#include "Dataset.h"
#include "TDataModule1.h"

#include <QObject>

// The datasets of the reimbursement lists, of the booster list and of the
// analysis catalogue. Created after TDataModule1, on its connection.
class TDataModule2 : public QObject
{
    Q_OBJECT
public:
    explicit TDataModule2(QObject* parent = nullptr);
    ~TDataModule2() override;

    Dataset& ConsultRepaymentQuery = make(QStringLiteral("ConsultRepaymentQuery"));
    Dataset& PharmacyRepaymentQuery = make(QStringLiteral("PharmacyRepaymentQuery"));
    Dataset& RepeatVaccineQuery = make(QStringLiteral("RepeatVaccineQuery"));
    Dataset& L_Analysis = make(QStringLiteral("L_Analysis"));

    // Money fields shown with the process's currency symbol (once the main window exists).
    void applyMoneyFormats();

private:
    Dataset& make(const QString& name);
};
