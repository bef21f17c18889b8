#pragma once

#include "Money.h"

#include <optional>
#include <QString>
#include <QStringList>

class Dataset;

// The act and vaccination queries that both data modules hold: their design
// statements and the values computed on every fetched row.
namespace CareQueries {

enum class ActKind
{
    Consultation,
    Pharmacy
};
// The Tag of an ACTION row tells its kind: 1 a consultation, 2 a pharmacy purchase.
int tagOf(ActKind kind);
// The kind a Tag stands for; none for any other value.
std::optional<ActKind> kindOfTag(int tag);
// The condition that keeps the rows of that kind, "Action.Tag=1", for a WHERE line.
QString kindCondition(ActKind kind);
// The acts of that kind of one person, "Action.Tag=1 AND Action.Id_Ref=3".
QString actsOf(ActKind kind, int personId);

// ACTION joined to its practitioner and illness (consultations) or to its
// pharmacy and medicine (purchases); `withConvention` adds LST_DOCTOR.Convention.
QStringList actStatement(ActKind kind, bool withConvention = false);
// VACCINE joined to its practitioner and vaccine; `forReminders` adds
// VACCINE.Repeat_Exe and orders by date and time.
QStringList vaccineStatement(bool forReminders);

// "Name (Detail)", or the name alone when the detail is empty.
QString withDetail(const QString& name, const QString& detail);

// What is left to the person on the current row (or the row being
// edited): the price less both reimbursements, in exact currency
// arithmetic; 0 while any of the three amounts is empty.
Money::Amount noRepayment(const Dataset& acts);
// NoRepayment, that amount computed on every fetched row.
void addNoRepayment(Dataset& dataset);
// Doctor and Illness (consultations), or Pharmacy and Drug (purchases).
void addActTexts(Dataset& dataset, ActKind kind);
// Vaccin and Doctor; with `withLast`, Last: the injection's date and practitioner.
void addVaccineTexts(Dataset& dataset, bool withLast);

} // namespace CareQueries
