#include "Assessment.h"
#include "Errors.h"
#include "Lms.h"
#include "ReferenceTables.h"
#include "TestFolders.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QFile>

namespace {

using namespace GrowthReference;

QDate d(int day, int month, int year)
{
    return QDate(year, month, day);
}

ReferenceTables& tables()
{
    return shipped(TestFolders::programFolder());
}

// The z-score of a measure taken that many days after a birth.
double zAt(Indicator indicator, Sex sex, int days, double value)
{
    const QDate born = d(1, 1, 2010);
    const std::optional<Assessment> a = assess(tables(), indicator, sex, born, {born.addDays(days), value});
    EXPECT_TRUE(a) << days << " days, " << value;
    return a ? a->z : NAN;
}

TEST(GrowthReferences, TheTablesOwnMediansAreZeroAndTheirCutOffsComeBack)
{
    // Boys' weight: the medians at birth and at 12 months.
    EXPECT_NEAR(zAt(Indicator::Weight, Sex::Male, 0, 3.3464), 0, 1e-12);
    const double atYear = zAt(Indicator::Weight, Sex::Male, 365, 9.6479);
    EXPECT_LT(std::abs(atYear), 0.005);
    EXPECT_EQ(assess(tables(), Indicator::Weight, Sex::Male, d(1, 1, 2010), {d(1, 1, 2011), 9.6479})->text(),
              QStringLiteral("P 50 (z +0,00)"));

    // The measures at -3 to +3 z, from the L, M and S of the day, give
    // their z back, for skewed (weight, BMI) and normal (height) tables.
    for (Indicator indicator : {Indicator::Weight, Indicator::Height, Indicator::Bmi})
        for (Sex sex : {Sex::Male, Sex::Female})
            for (int days : {0, 200, 731, 1826, 1827, 3000}) {
                const AtAge at = *tables().at(indicator, sex, days);
                for (double z : {-3.0, -2.0, -1.0, 0.0, 1.0, 2.0, 3.0})
                    EXPECT_NEAR(zAt(indicator, sex, days, Lms::valueAt(at.lms, z)), z, 1e-9)
                        << static_cast<int>(indicator) << " " << days << " " << z;
            }
}

TEST(GrowthReferences, BeyondThreeZWeightAndBmiCountInStepsOfTheLastCutOffs)
{
    const AtAge at = *tables().at(Indicator::Weight, Sex::Male, 0);
    const double sd2 = Lms::valueAt(at.lms, 2), sd3 = Lms::valueAt(at.lms, 3);
    const double sdm2 = Lms::valueAt(at.lms, -2), sdm3 = Lms::valueAt(at.lms, -3);
    EXPECT_NEAR(zAt(Indicator::Weight, Sex::Male, 0, sd3 + (sd3 - sd2) / 2), 3.5, 1e-9);
    EXPECT_NEAR(zAt(Indicator::Weight, Sex::Male, 0, sdm3 - 2 * (sdm2 - sdm3)), -5, 1e-9);
    // The plain formula stretches that tail: the same weight would read far lower.
    EXPECT_LT(Lms::zScore(at.lms, sdm3 - 2 * (sdm2 - sdm3)), -5.3);

    // Values the WHO's own software gives (rounded to its 2 or 3 decimals).
    EXPECT_NEAR(zAt(Indicator::Weight, Sex::Female, 1522, 17), 0.24, 0.005);
    EXPECT_GT(zAt(Indicator::Weight, Sex::Female, 1, 10.37), 5);              // flagged as implausible
    EXPECT_NEAR(zAt(Indicator::Height, Sex::Male, 987, 72.16), -6.09, 0.005); // never adjusted
    EXPECT_NEAR(zAt(Indicator::Height, Sex::Female, 731, 77.5), -2.55, 0.005);
    EXPECT_NEAR(zAt(Indicator::Height, Sex::Male, 274, 60.7), -5.02, 0.005);
    // Past 60 months, the 2007 reference interpolated between its months
    // (60.32 and 60.91 months: 1836 and 1854 days).
    EXPECT_NEAR(zAt(Indicator::Height, Sex::Female, 1836, 113.8), 0.959, 0.001);
    EXPECT_NEAR(zAt(Indicator::Weight, Sex::Female, 1836, 18.7), 0.212, 0.001);
    EXPECT_NEAR(zAt(Indicator::Bmi, Sex::Female, 1836, bodyMassIndex(18.7, 113.8)), -0.575, 0.001);
    EXPECT_NEAR(zAt(Indicator::Height, Sex::Female, 1854, 113.6), 0.848, 0.001);
    EXPECT_NEAR(zAt(Indicator::Weight, Sex::Female, 1854, 20.5), 0.795, 0.001);
    EXPECT_NEAR(zAt(Indicator::Bmi, Sex::Female, 1854, bodyMassIndex(20.5, 113.6)), 0.418, 0.001);
}

TEST(GrowthReferences, SexAndAgeChooseTheTableAndTheMeasure)
{
    const auto at = [](Indicator i, Sex s, int days) { return tables().at(i, s, days); };
    // Lying length to 24 months, standing height after.
    EXPECT_TRUE(at(Indicator::Height, Sex::Male, 700)->lying);  // 23 months
    EXPECT_FALSE(at(Indicator::Height, Sex::Male, 761)->lying); // 25 months
    EXPECT_TRUE(at(Indicator::Bmi, Sex::Female, 730)->lying);
    EXPECT_FALSE(at(Indicator::Bmi, Sex::Female, 731)->lying);
    // The 2006 standards end on day 1826; at 61 months the 2007 reference
    // answers, between its rows of 61 and 62 months.
    EXPECT_DOUBLE_EQ(at(Indicator::Height, Sex::Male, 1826)->lms.m, 109.9593);
    const double m61 = at(Indicator::Height, Sex::Male, 1857)->lms.m;
    EXPECT_GT(m61, 110.2647);
    EXPECT_LT(m61, 110.8006);
    EXPECT_NE(at(Indicator::Weight, Sex::Male, 400)->lms.m, at(Indicator::Weight, Sex::Female, 400)->lms.m);

    // Weight to 10 years, height and BMI to 19; nothing past them, before
    // birth, or without a sex.
    EXPECT_TRUE(at(Indicator::Weight, Sex::Female, 3652));
    EXPECT_FALSE(at(Indicator::Weight, Sex::Female, 3653));
    EXPECT_TRUE(at(Indicator::Height, Sex::Female, 6939));
    EXPECT_FALSE(at(Indicator::Height, Sex::Female, 6940));
    EXPECT_FALSE(at(Indicator::Bmi, Sex::Male, 6940));
    EXPECT_FALSE(at(Indicator::Height, Sex::Unknown, 400));
    const QDate born = d(10, 3, 1995);
    EXPECT_FALSE(assess(tables(), Indicator::Weight, Sex::Male, born, {d(10, 3, 2025), 70})); // 30 years old
    EXPECT_FALSE(assess(tables(), Indicator::Weight, Sex::Male, born, {d(9, 3, 1995), 3.2})); // before birth
    EXPECT_FALSE(assess(tables(), Indicator::Weight, Sex::Male, born, {d(10, 3, 1996), 0}));  // no weight
    EXPECT_FALSE(assess(tables(), Indicator::Weight, Sex::Unknown, born, {d(10, 3, 1996), 9}));
    EXPECT_EQ(sexFromCode(1), Sex::Male);
    EXPECT_EQ(sexFromCode(2), Sex::Female);
    EXPECT_EQ(sexFromCode(0), Sex::Unknown);
}

TEST(GrowthReferences, AChildBornOnLeapDayIsAsOldAsTheDaysSinceIt)
{
    const QDate born = d(29, 2, 2020);
    const auto zOn = [&](const QDate& day) {
        return assess(tables(), Indicator::Weight, Sex::Female, born, {day, 9.0})->z;
    };
    EXPECT_DOUBLE_EQ(zOn(d(28, 2, 2021)), zAt(Indicator::Weight, Sex::Female, 365, 9.0));
    EXPECT_DOUBLE_EQ(zOn(d(1, 3, 2021)), zAt(Indicator::Weight, Sex::Female, 366, 9.0));
    EXPECT_DOUBLE_EQ(zOn(d(29, 2, 2024)), zAt(Indicator::Weight, Sex::Female, 1461, 9.0));
}

TEST(GrowthReferences, CentilesReadAsTheWindowsShowThem)
{
    const auto shown = [](double z) { return Assessment{z, Lms::centile(z), false}; };
    EXPECT_EQ(shown(0.31).text(), QStringLiteral("P 62 (z +0,31)"));
    EXPECT_EQ(shown(-1.2).text(), QStringLiteral("P 12 (z -1,20)"));
    EXPECT_EQ(shown(-0.001).zText(), QStringLiteral("z +0,00"));
    EXPECT_EQ(shown(-2.6).centileText(), QStringLiteral("P < 1"));
    EXPECT_EQ(shown(2.6).centileText(), QStringLiteral("P > 99"));
    EXPECT_FALSE(shown(-1.88).outside());
    EXPECT_TRUE(shown(-1.9).outside());
    EXPECT_TRUE(shown(1.9).outside());
    for (std::size_t i = 0; i < kCurveCentiles.size(); ++i)
        EXPECT_NEAR(Lms::centile(kCurveZ.at(i)), kCurveCentiles.at(i), 1e-5);
}

TEST(GrowthReferences, ABmiPairsAWeighingWithTheNearestHeightOfItsWeek)
{
    const QList<Measure> heights{{d(1, 3, 2020), 60}, {d(20, 3, 2020), 62}, {d(28, 3, 2020), 64}};
    EXPECT_EQ(nearestWithinAWeek(heights, d(1, 3, 2020)), 60);
    EXPECT_EQ(nearestWithinAWeek(heights, d(8, 3, 2020)), 60);  // 7 days after
    EXPECT_FALSE(nearestWithinAWeek(heights, d(9, 3, 2020)));   // 8 days from either
    EXPECT_EQ(nearestWithinAWeek(heights, d(13, 3, 2020)), 62); // 7 days before
    EXPECT_EQ(nearestWithinAWeek(heights, d(24, 3, 2020)), 62); // 4 days from both: the earlier
    EXPECT_EQ(nearestWithinAWeek(heights, d(25, 3, 2020)), 64);
    EXPECT_FALSE(nearestWithinAWeek({}, d(25, 3, 2020)));

    const QList<Measure> bmi =
        bodyMassIndices({{d(2, 3, 2020), 5.4}, {d(10, 3, 2020), 5.8}, {d(27, 3, 2020), 6.4}}, heights);
    ASSERT_EQ(bmi.size(), 2);
    EXPECT_EQ(bmi.at(0).date, d(2, 3, 2020));
    EXPECT_DOUBLE_EQ(bmi.at(0).value, 15);
    EXPECT_DOUBLE_EQ(bmi.at(1).value, 6.4 / (0.64 * 0.64));
}

TEST(GrowthReferences, TablesAreReadOnceWhenFirstNeededAndADamagedOneOnlyLosesItsCentiles)
{
    TestFolders::Scratch scratch;
    const QString folder = scratch.make(QStringLiteral("Croissance"));
    const QString shippedFolder = TestFolders::programFolder() + QStringLiteral("Croissance/");
    for (const char* name : {"who2006_wfa_0_5y_day.csv", "who2006_lhfa_0_5y_day.csv"})
        ASSERT_TRUE(
            QFile::copy(shippedFolder + QString::fromLatin1(name), folder + QString::fromLatin1(name)));
    TestFolders::writeFile(
        folder + QStringLiteral("who2006_bfa_0_5y_day.csv"),
        "sex,age_unit,age,L,M,S,loh\nM,day,0,-0.3053,13.4069,0.0956,L\nM,day,1,x,13.39,0.09,L\n");
    TestFolders::writeFile(folder + QStringLiteral("who2007_wfa_5_10y_month.csv"),
                           "sex,age_unit,age,L,M,S\nM,month,61,1,18,0.1\nM,month,60,1,18,0.1\n");

    ReferenceTables references(folder);
    EXPECT_TRUE(references.error().isEmpty());
    EXPECT_TRUE(references.at(Indicator::Weight, Sex::Male, 100));
    // Read once: the file may go, the table stays.
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("who2006_wfa_0_5y_day.csv")));
    EXPECT_TRUE(references.at(Indicator::Weight, Sex::Female, 1000));

    EXPECT_FALSE(references.at(Indicator::Bmi, Sex::Male, 0));
    EXPECT_TRUE(references.error().contains(QStringLiteral("who2006_bfa_0_5y_day.csv")))
        << references.error().toStdString();
    EXPECT_TRUE(references.error().contains(QStringLiteral("ligne 3"))) << references.error().toStdString();
    EXPECT_FALSE(references.at(Indicator::Weight, Sex::Male, 2000));
    EXPECT_TRUE(references.error().contains(QStringLiteral("désordre"))) << references.error().toStdString();
    EXPECT_FALSE(references.at(Indicator::Height, Sex::Male, 3000)); // 2007 height file missing
    EXPECT_TRUE(references.error().contains(QStringLiteral("introuvable")))
        << references.error().toStdString();
    EXPECT_TRUE(references.at(Indicator::Height, Sex::Male, 30)); // the others still answer

    for (const char* bad :
         {"", "sex,age,L,M,S\n", "sex,age_unit,age,L,M,S\nX,day,0,1,2,0.1\nX,day,1,1,2,0.1\n",
          "sex,age_unit,age,L,M,S\nM,day,0,1,-2,0.1\nM,day,1,1,2,0.1\n",
          "sex,age_unit,age,L,M,S\nM,day,0,1,2,0.1\nM,day,1,1,2,0.1\n"}) // no girls
        EXPECT_THROW(parseTable(QByteArray(bad), QStringLiteral("t.csv")), FileError) << bad;

    // The program folder ships every table with its notice and licence.
    for (const char* notice : {"LISEZMOI.txt", "COPYING-GPL-3.txt"})
        EXPECT_TRUE(TestFolders::exists(shippedFolder + QString::fromLatin1(notice))) << notice;
    for (Indicator indicator : {Indicator::Weight, Indicator::Height, Indicator::Bmi})
        for (Sex sex : {Sex::Male, Sex::Female})
            for (int day : {0, 1826, 1827, ReferenceTables::lastDay(indicator)})
                EXPECT_TRUE(tables().at(indicator, sex, day)) << day;
    EXPECT_TRUE(tables().error().isEmpty()) << tables().error().toStdString();
}

} // namespace
