#pragma once

#include "Dataset.h"
#include "TDataModule1.h"

#include <QObject>

// The second data module: the datasets of the lists of what payers still
// owe and of the booster reminders. Created after TDataModule1, on its
// connection.
class TDataModule2 : public QObject
{
    Q_OBJECT
public:
    explicit TDataModule2(QObject* parent = nullptr);
    ~TDataModule2() override;

    Dataset& ConsultRepaymentQuery = make(QStringLiteral("ConsultRepaymentQuery"));
    Dataset& PharmacyRepaymentQuery = make(QStringLiteral("PharmacyRepaymentQuery"));
    Dataset& RepeatVaccineQuery = make(QStringLiteral("RepeatVaccineQuery"));

    // Money fields shown with the process's currency symbol (once the main window exists).
    void applyMoneyFormats();

private:
    Dataset& make(const QString& name);
};
