#pragma once

#include "Money.h"

#include <QList>
#include <QString>

// The reimbursement synthesis: what a person spent on acts and on
// medicines year by year, and what the Sécurité sociale and the
// complementary insurer paid back, as a page of the working folder.
namespace ReimbursementSynthesis {

struct Sums
{
    Money::Amount spent;
    Money::Amount repaid; // both payers' amounts, whatever the state of their flags
    Money::Amount notRepaid() const { return spent - repaid; }
};

struct Year
{
    int year = 0;
    Sums acts;      // Tag 1
    Sums medicines; // Tag 2
};

// Every year from the person's first dated act or purchase to the last,
// empty years included, each with the sums of that person's rows only.
// No dated row: no year. Throws DatabaseError.
QList<Year> years(int personId);

// Writes "index.htm" and the photo "face.jpg" into the prepared working
// folder; returns the page's path. Throws DatabaseError, FileError, ImageError.
QString write(int personId, const QString& folder);

} // namespace ReimbursementSynthesis
