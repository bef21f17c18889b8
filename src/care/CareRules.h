#pragma once

#include "CareQueries.h"

#include <QString>
#include <QVariant>

// The rules of acts and their reimbursements that need no window: who
// still owes what, which commands that allows, and the statements' filter
// lines of the pages and of the lists of what is still owed.
namespace CareRules {

using CareQueries::ActKind;

// The two payers: the national health insurance and the complementary insurer.
enum class Payer
{
    Secu = 1,
    Comp = 2
};

// The three columns of one payer's reimbursement of a row.
struct PayerColumns
{
    QString flag;
    QString date;
    QString amount;
};
PayerColumns columnsOf(Payer payer);

// Whether each payer's reimbursement of a row is recorded.
struct Reimbursed
{
    bool secu = false;
    bool comp = false;

    bool by(Payer payer) const { return payer == Payer::Secu ? secu : comp; }
    bool byBoth() const { return secu && comp; }
};
// The flags of the current row of an act query; none recorded without a row.
Reimbursed reimbursedOf(const Dataset& acts);

// A reimbursement can be recorded on the current row (pin button, right
// click) while the page lists rows and the row still waits for a payer;
// the menu then offers only the payers still owing.
bool canRecordReimbursement(bool hasRows, Reimbursed current);
inline bool offers(Payer payer, Reimbursed current)
{
    return !current.by(payer);
}

// A Yes/No value that reads as "Non" (a beginning of it is enough):
// setting it clears that payer's date.
bool saysNo(const QVariant& flag);

// A time field holds nothing ("  :  ") or a real time h:mm or hh:mm.
bool isValidTime(const QString& text);

// The filter line of a page's query, "%1" standing for the person's Id.
QString pageFilter(ActKind kind);

// Which payers a list of what is still owed waits for.
enum class ListScope
{
    All,
    Secu,
    Comp
};
// The filter line of a list query, "%1" standing for the person's Id.
QString listFilter(ActKind kind, ListScope scope);
// What the opening command appends to the list window's title.
QString titleSuffix(ListScope scope);

} // namespace CareRules
