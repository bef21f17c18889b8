#include "CareQueries.h"
#include "Dataset.h"
#include "DatasetUtils.h"
#include "HtmlExport.h"
#include "HtmlSections.h"
#include "TDataModule2.h"

// The tables pages: the histories of acts and of medicines, and the
// reminders (what is not yet reimbursed, the boosters due).
namespace HtmlExport {

using CareQueries::ActKind;
using Html::Table;
using namespace Sections;

namespace {

QString boostersTable(const Dataset& d)
{
    Table table({{QStringLiteral("Date de rappel"), 20},
                 {QStringLiteral("Vaccin"), 40},
                 {QStringLiteral("Dernière vaccination"), 40}});
    const int date = d.fieldIndex(QStringLiteral("Repeat_Date")),
              vaccine = d.fieldIndex(QStringLiteral("Vaccin")), last = d.fieldIndex(QStringLiteral("Last"));
    for (int row = 0; row < d.recordCount(); ++row)
        table.addRow({plain(d.fieldAt(row, date).asString()), plain(d.fieldAt(row, vaccine).asString()),
                      plain(d.fieldAt(row, last).asString())});
    return table.html();
}

} // namespace

QString writeTables(TDataModule2& dm2, Tables which, int personId, const QString& folder)
{
    const QString person = QString::number(personId);
    Html::Page page;
    const auto closeAll = [&dm2] {
        dm2.ConsultRepaymentQuery.close();
        dm2.PharmacyRepaymentQuery.close();
        dm2.RepeatVaccineQuery.close();
    };
    try {
        // The person's acts of a kind; with `waiting`, those a payer has not reimbursed yet.
        const auto actsSection = [&](ActKind kind, const QString& title, bool waiting) {
            Dataset& d =
                kind == ActKind::Consultation ? dm2.ConsultRepaymentQuery : dm2.PharmacyRepaymentQuery;
            DatasetUtils::replaceWhereLine(
                d,
                QStringLiteral("WHERE ") +
                    (waiting ? QStringLiteral("(Action.Repayment=false or Action.Repayment_Comp=false) and ")
                             : QString()) +
                    CareQueries::actsOf(kind, personId));
            addSection(page, title, d,
                       kind == ActKind::Consultation ? QStringLiteral("AUCUN ACTE")
                                                     : QStringLiteral("AUCUN MEDICAMENT"),
                       [&] { return actsTable(d, kind); });
        };
        switch (which) {
        case Tables::ActsHistory:
            actsSection(ActKind::Consultation, QStringLiteral("HISTORIQUE DES ACTES"), false);
            break;
        case Tables::MedicinesHistory:
            actsSection(ActKind::Pharmacy, QStringLiteral("HISTORIQUE DES MEDICAMENTS"), false);
            break;
        case Tables::Reminders:
            actsSection(ActKind::Consultation, QStringLiteral("ACTES NON REMBOURSEES"), true);
            actsSection(ActKind::Pharmacy, QStringLiteral("MEDICAMENTS NON REMBOURSES"), true);
            DatasetUtils::replaceWhereLine(
                dm2.RepeatVaccineQuery,
                QStringLiteral("WHERE Vaccine.Repeat_Exe=True AND Vaccine.Id_Ref=") + person);
            addSection(page, QStringLiteral("RAPPELS DE VACCINATION"), dm2.RepeatVaccineQuery,
                       QStringLiteral("AUCUNE VACCINATION"),
                       [&] { return boostersTable(dm2.RepeatVaccineQuery); });
            break;
        }
        const QString index = folder + kIndex;
        writeFile(index, page.finish());
        closeAll();
        return index;
    } catch (...) {
        closeAll();
        throw;
    }
}

} // namespace HtmlExport
