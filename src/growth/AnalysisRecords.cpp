#include "AnalysisRecords.h"

#include "DatasetUtils.h"
#include "Errors.h"
#include "RowEditing.h"
#include "TDataModule1.h"
#include "Transaction.h"

#include <QSet>

namespace AnalysisRecords {
namespace {
Choices readChoices(const QString& statement)
{
    Dataset query(QStringLiteral("AnalysisChoices"));
    query.setSql(statement);
    query.open();
    Choices choices;
    for (int row = 0; row < query.recordCount(); ++row) {
        choices.ids << query.fieldAt(row, 0).asInteger();
        choices.titles << query.fieldAt(row, 1).asString();
    }
    return choices;
}
} // namespace

Choices followed(int personId)
{
    return readChoices(
        QStringLiteral("SELECT L_ANALYSIS.Id, LST_ANALYSIS.Title FROM L_ANALYSIS LEFT JOIN LST_ANALYSIS "
                       "ON L_ANALYSIS.Id_Analysis = LST_ANALYSIS.Id WHERE L_ANALYSIS.Id_Ref=%1 "
                       "ORDER BY LST_ANALYSIS.Title")
            .arg(personId));
}

Choices notFollowed(int personId)
{
    Dataset taken(QStringLiteral("FollowedDefinitions"));
    taken.setSql(QStringLiteral("SELECT L_ANALYSIS.Id_Analysis FROM L_ANALYSIS WHERE L_ANALYSIS.Id_Ref=%1")
                     .arg(personId));
    taken.open();
    QSet<int> followedIds;
    for (int row = 0; row < taken.recordCount(); ++row)
        followedIds.insert(taken.fieldAt(row, 0).asInteger());
    const Choices all = readChoices(QStringLiteral(
        "SELECT LST_ANALYSIS.Id, LST_ANALYSIS.Title FROM LST_ANALYSIS ORDER BY LST_ANALYSIS.Title"));
    Choices left;
    for (qsizetype i = 0; i < all.ids.size(); ++i)
        if (!followedIds.contains(all.ids.at(i))) {
            left.ids << all.ids.at(i);
            left.titles << all.titles.at(i);
        }
    return left;
}

int resolveCurrent(int requested, int personId)
{
    if (personId < 0)
        return -1;
    // Only one of the person's own: an Id remembered from another person
    // never shows that person's results.
    if (requested >= 0 &&
        DatasetUtils::readNumber(
            QStringLiteral("SELECT L_ANALYSIS.Id FROM L_ANALYSIS WHERE L_ANALYSIS.Id=%1 AND "
                           "L_ANALYSIS.Id_Ref=%2")
                .arg(requested)
                .arg(personId)) == requested)
        return requested;
    return DatasetUtils::readNumber(
        QStringLiteral("SELECT id FROM L_ANALYSIS Where Id_Ref=%1").arg(personId));
}

Followed describe(int analysisId)
{
    Dataset query(QStringLiteral("FollowedAnalysis"));
    query.setSql(
        QStringLiteral("SELECT L_ANALYSIS.Id, LST_ANALYSIS.Title, L_ANALYSIS.Decimal, L_ANALYSIS.Unit FROM "
                       "L_ANALYSIS LEFT JOIN LST_ANALYSIS ON L_ANALYSIS.Id_Analysis = LST_ANALYSIS.Id WHERE "
                       "L_ANALYSIS.Id=%1")
            .arg(analysisId));
    query.open();
    Followed f;
    if (query.isEmpty())
        return f;
    f.title = query.field(1).asString();
    if (!query.field(2).isNull())
        f.decimals = query.field(2).asInteger();
    f.unit = query.field(3).asString();
    return f;
}

std::pair<double, double> range(int analysisId)
{
    Dataset query(QStringLiteral("AnalysisRange"));
    query.setSql(
        QStringLiteral(
            "SELECT L_ANALYSIS.Value_Min, L_ANALYSIS.Value_Max FROM L_ANALYSIS WHERE L_ANALYSIS.Id=%1")
            .arg(analysisId));
    query.open();
    if (query.isEmpty())
        return {0, 0};
    return {query.field(0).asDouble(), query.field(1).asDouble()};
}

QList<AnalysisSeries::Result> results(const Dataset& analysis)
{
    QList<AnalysisSeries::Result> list;
    if (!analysis.isActive())
        return list;
    const int date = analysis.fieldIndex(QStringLiteral("Date_Analysis"));
    const int value = analysis.fieldIndex(QStringLiteral("Value_Analysis"));
    const int minimum = analysis.fieldIndex(QStringLiteral("Value_Min"));
    const int maximum = analysis.fieldIndex(QStringLiteral("Value_Max"));
    list.reserve(analysis.recordCount());
    for (int row = 0; row < analysis.recordCount(); ++row) {
        const QDate day = analysis.fieldAt(row, date).asDate();
        if (day.isValid())
            list.append({day, analysis.fieldAt(row, value).asDouble(),
                         analysis.fieldAt(row, minimum).asDouble(),
                         analysis.fieldAt(row, maximum).asDouble()});
    }
    return list;
}

void stopFollowing(TDataModule1& dm, int analysisId)
{
    Transaction transaction;
    {
        // Its results go with it (the data module's event on L_Analysis).
        RowEditing::ScopedRow followed(dm.L_Analysis, analysisId, QStringLiteral("L_ANALYSIS.Id"));
        if (followed.found())
            followed.row().remove();
    }
    transaction.commit();
}

void deleteDefinition(TDataModule1& dm, Dataset& definitions)
{
    const int id = DatasetUtils::currentId(definitions);
    if (id < 0)
        return;
    try {
        Transaction transaction;
        {
            RowEditing::ScopedRow followers(dm.L_Analysis, id, QStringLiteral("L_ANALYSIS.Id_Analysis"));
            while (!dm.L_Analysis.isEmpty())
                dm.L_Analysis.remove();
        }
        definitions.remove();
        transaction.commit();
    } catch (...) {
        // The rows are back: show the list as it is.
        DatasetUtils::reopenOnSameRow(definitions);
        definitions.locateId(id);
        throw;
    }
}

} // namespace AnalysisRecords
