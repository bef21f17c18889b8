#include "TDataModule2.h"

#include "CareQueries.h"
#include "Errors.h"
#include "Money.h"

namespace {

void setMoneyFormat(std::initializer_list<Dataset*> datasets, const QString& format)
{
    for (Dataset* d : datasets)
        for (const char* field : {"Price", "Price_Repayment"})
            d->setDisplayFormat(QString::fromLatin1(field), format);
}
} // namespace

TDataModule2::TDataModule2(QObject* parent) : QObject(parent)
{
    using CareQueries::ActKind;
    setObjectName(QStringLiteral("DataModule2"));
    ConsultRepaymentQuery.setSql(CareQueries::actStatement(ActKind::Consultation, true));
    CareQueries::addActTexts(ConsultRepaymentQuery, ActKind::Consultation);
    PharmacyRepaymentQuery.setSql(CareQueries::actStatement(ActKind::Pharmacy));
    CareQueries::addActTexts(PharmacyRepaymentQuery, ActKind::Pharmacy);
    RepeatVaccineQuery.setSql(CareQueries::vaccineStatement(true));
    CareQueries::addVaccineTexts(RepeatVaccineQuery, true);
    setMoneyFormat({&ConsultRepaymentQuery, &PharmacyRepaymentQuery}, QStringLiteral("#######0.00"));
}

TDataModule2::~TDataModule2() {}

Dataset& TDataModule2::make(const QString& name)
{
    return *new Dataset(name, this);
}

void TDataModule2::applyMoneyFormats()
{
    setMoneyFormat({&ConsultRepaymentQuery, &PharmacyRepaymentQuery}, Money::displayFormat());
}
