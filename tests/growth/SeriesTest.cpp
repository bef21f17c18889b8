#include "AnalysisSeries.h"
#include "ChartData.h"
#include "GrowthSeries.h"
#include "NumberFormat.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

namespace {

using GrowthSeries::Measurement;

QDate d(int day, int month, int year)
{
    return QDate(year, month, day);
}

QStringList labelsOf(const Chart::Series& series)
{
    QStringList labels;
    for (const Chart::Point& p : series.points)
        labels << p.label;
    return labels;
}

QList<double> valuesOf(const Chart::Series& series)
{
    QList<double> values;
    for (const Chart::Point& p : series.points)
        values << p.value;
    return values;
}

GrowthSeries::Input child(int mode, QList<Measurement> measurements,
                          QString birthValue = QStringLiteral("3,2"))
{
    GrowthSeries::Input in;
    in.mode = mode;
    in.birthDate = QStringLiteral("15/06/2004");
    in.birthValue = std::move(birthValue);
    in.margins = {1, 1};
    in.measurements = std::move(measurements);
    return in;
}

bool isEmptyChart(const Chart::Data& data)
{
    return data.series[Chart::Value].points.isEmpty() && data.verticalRange() == std::pair(0.0, 1.0);
}

TEST(GrowthSeries, BirthDatesAreTenCharactersOfARealDayBetween1900And2099)
{
    EXPECT_EQ(GrowthSeries::birthDate(QStringLiteral("15/06/2004")), d(15, 6, 2004));
    EXPECT_EQ(GrowthSeries::birthDate(QStringLiteral("29/02/2000")), d(29, 2, 2000));
    for (const char* bad : {"29/02/2001", "31/04/2004", "15/06/1899", "01/01/2100", "5/06/2004", "15-06-2004",
                            "1a/06/2004", "  /  /    ", "", "15/06/20045", "١٥/06/2004"})
        EXPECT_FALSE(GrowthSeries::birthDate(QString::fromUtf8(bad))) << bad;
}

TEST(GrowthSeries, AgesCountCompletedYearsAndCalendarMonths)
{
    const QDate born = d(15, 6, 2004);
    EXPECT_EQ(GrowthSeries::ageInYears(born, d(14, 6, 2006)), 1);
    EXPECT_EQ(GrowthSeries::ageInYears(born, d(15, 6, 2006)), 2);
    EXPECT_EQ(GrowthSeries::ageInMonths(born, d(31, 5, 2006)), 23);
    EXPECT_EQ(GrowthSeries::ageInMonths(born, d(1, 6, 2006)), 24);
    EXPECT_EQ(GrowthSeries::ageInYears(born, d(1, 1, 2004)), -1);

    // Born on 29 February: a year older on 1 March of a common year, on
    // 29 February of a leap one; a measurement of 29 February counts as
    // past 28 February.
    const QDate leapDay = d(29, 2, 2004);
    EXPECT_EQ(GrowthSeries::ageInYears(leapDay, d(28, 2, 2005)), 0);
    EXPECT_EQ(GrowthSeries::ageInYears(leapDay, d(1, 3, 2005)), 1);
    EXPECT_EQ(GrowthSeries::ageInYears(leapDay, d(29, 2, 2008)), 4);
    EXPECT_EQ(GrowthSeries::ageInYears(d(28, 2, 2005), d(29, 2, 2008)), 3);
}

TEST(GrowthSeries, LabelsFollowTheModeAndNeverShowAnAgeBeforeBirth)
{
    const QDate born = d(15, 6, 2004);
    EXPECT_EQ(GrowthSeries::label(GrowthSeries::Dates, born, d(14, 3, 2006)), QStringLiteral("14/03/2006"));
    EXPECT_EQ(GrowthSeries::label(GrowthSeries::Years, born, d(14, 6, 2006)), QStringLiteral("1 ans"));
    EXPECT_EQ(GrowthSeries::label(GrowthSeries::Months, born, d(31, 5, 2006)), QStringLiteral("23 mois"));
    EXPECT_EQ(GrowthSeries::label(GrowthSeries::Months, born, d(1, 5, 2004)), QStringLiteral("01/05/2004"));
    EXPECT_EQ(GrowthSeries::label(0, born, d(1, 6, 2006)), QStringLiteral("Naissance"));
}

TEST(GrowthSeries, YearsStartAtBirthWithOnePointPerAgeTheHeavierKeptInItsPlace)
{
    const Chart::Data data = GrowthSeries::build(child(GrowthSeries::Years, {{d(1, 7, 2004), 4.1},
                                                                             {d(1, 12, 2004), 7.4},
                                                                             {d(1, 3, 2005), 6.9},
                                                                             {d(20, 6, 2005), 9.0},
                                                                             {d(14, 6, 2006), 10.2},
                                                                             {d(15, 6, 2006), 12.0}}));
    EXPECT_EQ(labelsOf(data.series[Chart::Value]),
              (QStringList{QStringLiteral("Naissance"), QStringLiteral("0 ans"), QStringLiteral("1 ans"),
                           QStringLiteral("2 ans")}));
    EXPECT_EQ(valuesOf(data.series[Chart::Value]), (QList<double>{3.2, 7.4, 10.2, 12.0}));
    EXPECT_EQ(data.series[Chart::ValueLine].points, data.series[Chart::Value].points);
    for (int inactive : {Chart::Min, Chart::MinLine, Chart::Max, Chart::MaxLine})
        EXPECT_FALSE(data.series[inactive].active) << inactive;
    for (int active : {Chart::Value, Chart::ValueLine, Chart::LimitMin, Chart::LimitMax})
        EXPECT_TRUE(data.series[active].active) << active;
    // The birth weight takes no part in the margins; the limits stand at the first label.
    EXPECT_EQ(labelsOf(data.series[Chart::LimitMin]), QStringList{QStringLiteral("Naissance")});
    EXPECT_EQ(labelsOf(data.series[Chart::LimitMax]), QStringList{QStringLiteral("Naissance")});
    EXPECT_DOUBLE_EQ(data.series[Chart::LimitMin].points.value(0).value, 3.1);
    EXPECT_DOUBLE_EQ(data.series[Chart::LimitMax].points.value(0).value, 13.0);
}

TEST(GrowthSeries, DatesAndMonthsLabelTheBirthPointTheirOwnWay)
{
    const QList<Measurement> heights{{d(31, 5, 2006), 85}, {d(1, 6, 2006), 86}};
    Chart::Data data = GrowthSeries::build(child(GrowthSeries::Months, heights, QStringLiteral("50")));
    EXPECT_EQ(
        labelsOf(data.series[Chart::Value]),
        (QStringList{QStringLiteral("Naissance"), QStringLiteral("23 mois"), QStringLiteral("24 mois")}));
    data = GrowthSeries::build(child(GrowthSeries::Dates, heights, QStringLiteral("50")));
    EXPECT_EQ(labelsOf(data.series[Chart::Value]),
              (QStringList{QStringLiteral("15/06/2004"), QStringLiteral("31/05/2006"),
                           QStringLiteral("01/06/2006")}));
    // Far apart or close, points stand one step apart: the axis is the list of labels.
    EXPECT_EQ(data.labels(), labelsOf(data.series[Chart::Value]));
}

TEST(GrowthSeries, WithoutAValidBirthPointAgesCountFromTheFirstMeasurement)
{
    const QList<Measurement> weights{{d(10, 1, 2010), 20}, {d(10, 2, 2011), 22}};
    for (const QString& birthValue : {QString(), QStringLiteral("abc")}) {
        const Chart::Data data = GrowthSeries::build(child(GrowthSeries::Years, weights, birthValue));
        EXPECT_EQ(labelsOf(data.series[Chart::Value]),
                  (QStringList{QStringLiteral("0 ans"), QStringLiteral("1 ans")}));
    }
    GrowthSeries::Input damaged = child(GrowthSeries::Years, weights);
    damaged.birthDate = QStringLiteral("31/02/2004");
    EXPECT_EQ(labelsOf(GrowthSeries::build(damaged).series[Chart::Value]),
              (QStringList{QStringLiteral("0 ans"), QStringLiteral("1 ans")}));
}

TEST(GrowthSeries, FewerThanTwoPointsOrNoModeGiveTheEmptyChart)
{
    GrowthSeries::Input none = child(GrowthSeries::Years, {});
    none.birthValue.clear();
    EXPECT_TRUE(isEmptyChart(GrowthSeries::build(none)));
    GrowthSeries::Input single = child(GrowthSeries::Years, {{d(1, 1, 2005), 8}});
    single.birthValue.clear();
    EXPECT_TRUE(isEmptyChart(GrowthSeries::build(single)));
    // A mode that is none of the three (an empty column) labels everything "Naissance".
    EXPECT_TRUE(isEmptyChart(GrowthSeries::build(child(0, {{d(1, 1, 2005), 8}, {d(1, 1, 2006), 11}}))));
    // Only the birth point: still fewer than two.
    EXPECT_TRUE(isEmptyChart(GrowthSeries::build(child(GrowthSeries::Years, {}))));
}

TEST(GrowthSeries, MarginsWidenTheVerticalAxisAsEachChartAsks)
{
    const QList<Measurement> weights{{d(1, 7, 2004), 4.2}, {d(1, 9, 2004), 6.0}, {d(1, 1, 2005), 9.5}};
    GrowthSeries::Input page = child(GrowthSeries::Dates, weights, QString());
    page.margins = {1, 1};
    auto [low, high] = GrowthSeries::build(page).verticalRange();
    EXPECT_DOUBLE_EQ(low, 3.2);
    EXPECT_DOUBLE_EQ(high, 10.5);
    page.margins = {0, 1};
    std::tie(low, high) = GrowthSeries::build(page).verticalRange();
    EXPECT_DOUBLE_EQ(low, 0);
    EXPECT_DOUBLE_EQ(high, 10.5);

    GrowthSeries::Input heights =
        child(GrowthSeries::Dates, {{d(1, 7, 2004), 60}, {d(1, 1, 2006), 80}}, QString());
    heights.margins = {0, 5};
    std::tie(low, high) = GrowthSeries::build(heights).verticalRange();
    EXPECT_DOUBLE_EQ(low, 0);
    EXPECT_DOUBLE_EQ(high, 85);
    // Below 1 the minimum keeps no margin.
    GrowthSeries::Input premature =
        child(GrowthSeries::Dates, {{d(1, 7, 2004), 0.8}, {d(2, 7, 2004), 0.9}}, QString());
    EXPECT_DOUBLE_EQ(GrowthSeries::build(premature).verticalRange().first, 0.8);
}

TEST(GrowthSeries, AMeasurementBeforeBirthOrInTheFutureIsDrawnWhereItFalls)
{
    const Chart::Data data = GrowthSeries::build(
        child(GrowthSeries::Months, {{d(1, 5, 2004), 2.9}, {d(15, 7, 2004), 4.5}, {d(15, 7, 2030), 70}}));
    EXPECT_EQ(labelsOf(data.series[Chart::Value]),
              (QStringList{QStringLiteral("Naissance"), QStringLiteral("01/05/2004"),
                           QStringLiteral("1 mois"), QStringLiteral("313 mois")}));
}

// A girl born on 15/06/2004 whose chart draws the WHO centiles of `reference`.
GrowthSeries::Input girl(int mode, QList<Measurement> measurements,
                         GrowthReference::Indicator reference = GrowthReference::Indicator::Weight)
{
    GrowthSeries::Input in = child(mode, std::move(measurements));
    in.reference = reference;
    in.sex = GrowthReference::Sex::Female;
    in.tables = &GrowthReference::shipped(TestFolders::programFolder());
    return in;
}

// The value of a centile curve at a day of the girl's life.
double centileAt(const QDate& day, std::size_t curve,
                 GrowthReference::Indicator reference = GrowthReference::Indicator::Weight)
{
    const auto at =
        GrowthReference::shipped(TestFolders::programFolder())
            .at(reference, GrowthReference::Sex::Female, static_cast<int>(d(15, 6, 2004).daysTo(day)));
    return Lms::valueAt(at->lms, GrowthReference::kCurveZ.at(curve));
}

TEST(GrowthCentiles, EveryModePutsTheCurvesAtThePointsAtTheAgeOfTheValueEachShows)
{
    const QList<Measurement> weights{{d(1, 5, 2004), 2.9}, {d(1, 7, 2004), 4.1},  {d(1, 12, 2004), 7.4},
                                     {d(1, 3, 2005), 6.9}, {d(20, 6, 2005), 9.0}, {d(1, 9, 2005), 9.9}};
    for (int mode : {GrowthSeries::Dates, GrowthSeries::Years, GrowthSeries::Months}) {
        const Chart::Data data = GrowthSeries::build(girl(mode, weights));
        const Chart::Centiles& c = data.centiles;
        EXPECT_TRUE(c.note.isEmpty()) << mode;
        // Every point but the one weighed before birth has its centiles, under its own label.
        QStringList expected = labelsOf(data.series[Chart::Value]);
        expected.removeAll(QStringLiteral("01/05/2004"));
        for (const QList<Chart::Point>& curve : c.curves)
            EXPECT_EQ(labelsOf({{}, true, curve}), expected) << mode;
        for (qsizetype i = 0; i < expected.size(); ++i)
            for (std::size_t k = 1; k < c.curves.size(); ++k)
                EXPECT_LT(c.curves.at(k - 1).at(i).value, c.curves.at(k).at(i).value) << mode << " " << i;
        // The birth point at day 0; the axis covers the outer curves.
        EXPECT_DOUBLE_EQ(c.curves.at(2).at(0).value, centileAt(d(15, 6, 2004), 2));
        const auto [low, high] = data.verticalRange();
        EXPECT_LE(low, c.curves.front().at(0).value);
        EXPECT_GE(high, c.curves.back().constLast().value);
    }
    // "0 ans" shows the heaviest of year 0 (1 December), "1 ans" the
    // weighing of 1 September 2005: the curves stand at those ages.
    const Chart::Data years = GrowthSeries::build(girl(GrowthSeries::Years, weights));
    EXPECT_EQ(labelsOf({{}, true, years.centiles.curves.at(4)}),
              (QStringList{QStringLiteral("Naissance"), QStringLiteral("0 ans"), QStringLiteral("1 ans")}));
    EXPECT_DOUBLE_EQ(years.centiles.curves.at(4).at(1).value, centileAt(d(1, 12, 2004), 4));
    EXPECT_DOUBLE_EQ(years.centiles.curves.at(4).at(2).value, centileAt(d(1, 9, 2005), 4));
    // The heights follow their own table.
    const Chart::Data heights =
        GrowthSeries::build(girl(GrowthSeries::Months, {{d(1, 7, 2004), 52}, {d(1, 7, 2006), 86}},
                                 GrowthReference::Indicator::Height));
    EXPECT_DOUBLE_EQ(heights.centiles.curves.at(0).constLast().value,
                     centileAt(d(1, 7, 2006), 0, GrowthReference::Indicator::Height));
}

TEST(GrowthCentiles, WithoutSexBirthDateOrAgeInTheTablesTheChartSaysWhyInOneLine)
{
    const QList<Measurement> weights{{d(1, 7, 2004), 4.1}, {d(1, 12, 2005), 10.4}};
    const auto noteOf = [](const GrowthSeries::Input& in) {
        const Chart::Data data = GrowthSeries::build(in);
        EXPECT_TRUE(data.centiles.isEmpty());
        EXPECT_FALSE(data.series[Chart::Value].points.isEmpty()) << "the curve is drawn all the same";
        return data.centiles.note;
    };
    GrowthSeries::Input in = girl(GrowthSeries::Years, weights);
    in.sex = GrowthReference::Sex::Unknown;
    EXPECT_EQ(noteOf(in), QStringLiteral("Pas de centiles : sexe non renseigné"));
    in = girl(GrowthSeries::Years, weights);
    in.birthDate = QStringLiteral("31/02/2004");
    EXPECT_EQ(noteOf(in), QStringLiteral("Pas de centiles : date de naissance non renseignée"));
    // Thirty years old: her birth weight is the only point in the tables' ages.
    in = girl(GrowthSeries::Years, {{d(1, 7, 2034), 61}, {d(1, 7, 2035), 62}});
    EXPECT_EQ(noteOf(in), QStringLiteral("Pas de centiles : âges hors de 0 à 10 ans"));
    in.reference = GrowthReference::Indicator::Height;
    EXPECT_EQ(noteOf(in), QStringLiteral("Pas de centiles : âges hors de 0 à 19 ans"));
    TestFolders::Scratch empty;
    GrowthReference::ReferenceTables missing(empty.path());
    in = girl(GrowthSeries::Years, weights);
    in.tables = &missing;
    EXPECT_EQ(noteOf(in), QStringLiteral("Pas de centiles : tables de l'OMS illisibles"));
    // A chart without a reference (the analyses) says nothing.
    in.reference.reset();
    EXPECT_TRUE(GrowthSeries::build(in).centiles.note.isEmpty());
}

TEST(AnalysisSeries, YearsMergeEachListToItsOwnLargerNumber)
{
    const Chart::Data data =
        AnalysisSeries::build(AnalysisSeries::Years, {{d(10, 1, 2020), 1.10, 0.70, 1.10},
                                                      {d(10, 9, 2020), 0.95, 0.75, 1.05},
                                                      {d(3, 3, 2021), 1.30, 0.70, 1.10}});
    EXPECT_EQ(labelsOf(data.series[Chart::Value]),
              (QStringList{QStringLiteral("2020"), QStringLiteral("2021")}));
    EXPECT_EQ(valuesOf(data.series[Chart::Value]), (QList<double>{1.10, 1.30}));
    EXPECT_EQ(valuesOf(data.series[Chart::MinLine]), (QList<double>{0.75, 0.70}));
    EXPECT_EQ(valuesOf(data.series[Chart::MaxLine]), (QList<double>{1.10, 1.10}));
    EXPECT_FALSE(data.series[Chart::Min].active);
    EXPECT_FALSE(data.series[Chart::Max].active);
    const auto [low, high] = data.verticalRange();
    EXPECT_DOUBLE_EQ(low, 0.70 - 1);
    EXPECT_DOUBLE_EQ(high, 1.30 + 1);
}

TEST(AnalysisSeries, ALoneResultIsDrawnWithItsRangeAndNoneGivesTheEmptyChart)
{
    const Chart::Data one = AnalysisSeries::build(AnalysisSeries::Dates, {{d(2, 2, 2022), 5.5, 4, 6}});
    EXPECT_EQ(one.series[Chart::Value].points, (QList<Chart::Point>{{QStringLiteral("02/02/2022"), 5.5}}));
    EXPECT_EQ(valuesOf(one.series[Chart::MinLine]), QList<double>{4});
    EXPECT_EQ(valuesOf(one.series[Chart::MaxLine]), QList<double>{6});
    EXPECT_TRUE(isEmptyChart(AnalysisSeries::build(AnalysisSeries::Years, {})));
}

TEST(AnalysisSeries, DecimalsAndUnitMakeTheFormats)
{
    const QLocale french(QLocale::French, QLocale::France);
    const auto show = [&](int decimals, const QString& unit, double value) {
        return NumberFormat::formatFloat(AnalysisSeries::formats(decimals, unit).display, value, french);
    };
    EXPECT_EQ(show(2, QStringLiteral("g/l"), 1.254), QStringLiteral("1,25 g/l"));
    EXPECT_EQ(show(0, QStringLiteral("mmol/l"), 139.6), QStringLiteral("140 mmol/l"));
    EXPECT_EQ(show(-1, QString(), 0.4), QStringLiteral("0"));
    // Digits and points in a unit are text, never part of the number.
    EXPECT_EQ(show(1, QStringLiteral("10^9/L"), 7.25), QStringLiteral("7,3 10^9/L"));
    EXPECT_EQ(AnalysisSeries::formats(3, QStringLiteral("g")).edit, QStringLiteral("0.000"));
}

TEST(ChartFiles, TheProposedNameTellsTitlePersonAndDayInAFileNameThatHolds)
{
    EXPECT_EQ(Chart::proposedFileName(QStringLiteral("Evolution du poids"), QStringLiteral("Durand Léa"),
                                      d(9, 12, 2026)),
              QStringLiteral("Evolution_du_poids_(Durand Léa)_09_12_2026.jpg"));
    EXPECT_EQ(Chart::proposedFileName(QStringLiteral("Evolution des analyses : TSH\nseconde ligne"),
                                      QStringLiteral("A/B"), d(1, 2, 2027)),
              QStringLiteral("Evolution_des_analyses___TSH_(A_B)_01_02_2027.jpg"));
}

} // namespace
