#pragma once

#include "AnalysisSeries.h"

#include <QList>
#include <QString>
#include <QStringList>

class Dataset;
class TDataModule1;

// The analyses a person follows (L_ANALYSIS), their results (ANALYSIS)
// and the catalogue they come from (LST_ANALYSIS), as the windows read and
// change them.
namespace AnalysisRecords {

// Titles with the Ids at the same positions, in title order.
struct Choices
{
    QList<int> ids;
    QStringList titles;
};

// The person's followed analyses: L_ANALYSIS Ids and their titles.
Choices followed(int personId);
// The definitions the person does not follow yet: LST_ANALYSIS Ids and titles.
Choices notFollowed(int personId);

// The analysis to show: `requested` when it is one of the person's, else
// the person's first (in the database's order), else -1.
int resolveCurrent(int requested, int personId);

// What the page shows of a followed analysis.
struct Followed
{
    QString title;
    int decimals = 2;
    QString unit;
};
Followed describe(int analysisId);

// The normal range of a followed analysis, copied into each new result.
std::pair<double, double> range(int analysisId);

// The results of the open ANALYSIS dataset, in its order.
QList<AnalysisSeries::Result> results(const Dataset& analysis);

// Stops following an analysis: its row and every result of it, in one
// transaction.
void stopFollowing(TDataModule1& dm, int analysisId);
// Deletes the definition on the current row of `definitions` with every
// person's follow-up of it and their results, in one transaction.
void deleteDefinition(TDataModule1& dm, Dataset& definitions);

} // namespace AnalysisRecords
