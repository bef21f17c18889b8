#include "BoosterReminders.h"

#include "Connection.h"
#include "HouseholdFixture.h"
#include "SqlRows.h"

#include <gtest/gtest.h>
#include <QSqlError>
#include <QSqlQuery>

namespace {

using BoosterReminders::Urgency;

// A household with two persons and rows written as the database holds them.
class Boosters : public ::testing::Test
{
protected:
    Boosters()
    {
        m_person = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_other = m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
        m_doctor =
            insert(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES ('Dr Roux', 'Pédiatre')"));
        m_dtp = vaccine(QStringLiteral("dTP"), QStringLiteral("Adulte"));
        m_flu = vaccine(QStringLiteral("Grippe"), QString());
    }

    static int insert(const QString& sql, const QVariantList& values = {})
    {
        return SqlRows::insert(sql, values);
    }
    static int vaccine(const QString& title, const QString& category)
    {
        return insert(QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES (?, ?)"),
                      {title, category});
    }
    // An injection on an ISO date, with its booster date or none; the
    // flag starts as stored by an older recomputation, or empty.
    int inject(int person, const QVariant& vaccine, const char* date, const char* booster = nullptr,
               const char* time = "10:00", const QVariant& flag = {})
    {
        return insert(
            QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Time_Vaccine, "
                           "Repeat_Date, Repeat_Exe) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {person, m_doctor, vaccine, QString::fromLatin1(date), QString::fromLatin1(time),
             booster ? QVariant(QString::fromLatin1(booster)) : QVariant(), flag});
    }
    static QVariant flagOf(int id)
    {
        QSqlQuery q(Connection::database());
        q.exec(QStringLiteral("SELECT Repeat_Exe FROM VACCINE WHERE Id=%1").arg(id));
        return q.next() ? q.value(0) : QVariant(QStringLiteral("no row"));
    }
    // The reminder list of the person: each row's booster date and its "last injection" text.
    QStringList reminders(int person)
    {
        Dataset& query = m_household.dm2().RepeatVaccineQuery;
        BoosterReminders::openPending(query, person);
        QStringList shown;
        for (int row = 0; row < query.recordCount(); ++row)
            shown << query.fieldAt(row, query.fieldIndex(QStringLiteral("Repeat_Date"))).asString() +
                         QStringLiteral(" | ") +
                         query.fieldAt(row, query.fieldIndex(QStringLiteral("Vaccin"))).asString() +
                         QStringLiteral(" | ") +
                         query.fieldAt(row, query.fieldIndex(QStringLiteral("Last"))).asString();
        query.close();
        return shown;
    }

    HouseholdFixture m_household;
    int m_person = 0;
    int m_other = 0;
    int m_doctor = 0;
    int m_dtp = 0;
    int m_flu = 0;
};

TEST_F(Boosters, OnlyTheLatestInjectionOfAVaccineKeepsItsBooster)
{
    const int first = inject(m_person, m_dtp, "2004-03-01", "2009-03-01");
    const int second = inject(m_person, m_dtp, "2009-03-02", "2019-03-02");
    EXPECT_EQ(reminders(m_person),
              QStringList{QStringLiteral("02/03/2019 | dTP (Adulte) | 02/03/2009 - Dr Roux (Pédiatre)")});
    EXPECT_EQ(flagOf(first).toInt(), 0);
    EXPECT_EQ(flagOf(second).toInt(), 1);

    // A later injection without a booster date hides both earlier boosters,
    // and is not listed itself.
    inject(m_person, m_dtp, "2020-05-01");
    EXPECT_TRUE(reminders(m_person).isEmpty());
    EXPECT_EQ(flagOf(second).toInt(), 0) << "the stale flag is cleared";
}

TEST_F(Boosters, TwoInjectionsOfTheSameVaccineOnTheSameDayClearEachOther)
{
    // Different times of the same day count as the same day.
    const int morning = inject(m_person, m_flu, "2024-10-15", "2025-10-15", "08:00");
    const int evening = inject(m_person, m_flu, "2024-10-15", "2025-10-01", "18:00");
    inject(m_person, m_dtp, "2024-10-15", "2034-10-15");
    EXPECT_EQ(reminders(m_person),
              QStringList{QStringLiteral("15/10/2034 | dTP (Adulte) | 15/10/2024 - Dr Roux (Pédiatre)")});
    EXPECT_EQ(flagOf(morning).toInt(), 0);
    EXPECT_EQ(flagOf(evening).toInt(), 0);
}

TEST_F(Boosters, PastAndFutureBoostersAreListedInTheOrderOfTheInjections)
{
    const int yellowFever = vaccine(QStringLiteral("Fièvre jaune"), QStringLiteral("Voyage"));
    inject(m_person, m_flu, "2023-10-01", "2024-10-01");          // overdue
    inject(m_person, yellowFever, "2001-06-01", "2031-06-01");    // far ahead
    inject(m_person, m_dtp, "2023-10-01", "2033-10-01", "09:00"); // same day, earlier time
    EXPECT_EQ(reminders(m_person),
              (QStringList{
                  QStringLiteral("01/06/2031 | Fièvre jaune (Voyage) | 01/06/2001 - Dr Roux (Pédiatre)"),
                  QStringLiteral("01/10/2033 | dTP (Adulte) | 01/10/2023 - Dr Roux (Pédiatre)"),
                  QStringLiteral("01/10/2024 | Grippe | 01/10/2023 - Dr Roux (Pédiatre)"),
              }));
}

TEST_F(Boosters, EachPersonIsRecomputedAloneAndUnchangedRowsAreNotRewritten)
{
    // The other person's flags are wrong on purpose: recomputing this person leaves them.
    const int othersOld = inject(m_other, m_dtp, "2000-01-01", "2010-01-01", "10:00", 1);
    inject(m_other, m_dtp, "2010-01-01", "2020-01-01", "10:00", 0);
    inject(m_person, m_dtp, "2015-01-01", "2025-01-01");
    EXPECT_EQ(reminders(m_person).size(), 1);
    EXPECT_EQ(flagOf(othersOld).toInt(), 1);

    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral("SELECT total_changes()"));
    q.next();
    const int before = q.value(0).toInt();
    BoosterReminders::recompute(m_person);
    q.exec(QStringLiteral("SELECT total_changes()"));
    q.next();
    EXPECT_EQ(q.value(0).toInt(), before) << "nothing to change, nothing written";

    EXPECT_EQ(reminders(m_other).size(), 1);
    EXPECT_EQ(flagOf(othersOld).toInt(), 0);
}

// A vaccine deleted from its list leaves its injections pointing at its old
// Id: they are listed with an empty name and still grouped by that Id, so
// two deleted vaccines stay two. An injection naming no vaccine at all is
// compared with no other.
TEST_F(Boosters, DeletedOrMissingVaccinesKeepTheirOwnBoosters)
{
    const int rabies = vaccine(QStringLiteral("Rage"), QStringLiteral("Voyage"));
    const int typhoid = vaccine(QStringLiteral("Typhoïde"), QStringLiteral("Voyage"));
    inject(m_person, rabies, "2018-01-01", "2019-01-01");
    inject(m_person, rabies, "2020-01-01", "2030-01-01");
    inject(m_person, typhoid, "2021-01-01", "2024-01-01");
    insert(QStringLiteral("DELETE FROM LST_VACCINE WHERE Id IN (?, ?)"), {rabies, typhoid});
    inject(m_person, QVariant(), "2022-01-01", "2032-01-01");
    inject(m_person, QVariant(), "2023-01-01", "2033-01-01");
    EXPECT_EQ(reminders(m_person), (QStringList{
                                       QStringLiteral("01/01/2030 |  | 01/01/2020 - Dr Roux (Pédiatre)"),
                                       QStringLiteral("01/01/2024 |  | 01/01/2021 - Dr Roux (Pédiatre)"),
                                       QStringLiteral("01/01/2032 |  | 01/01/2022 - Dr Roux (Pédiatre)"),
                                       QStringLiteral("01/01/2033 |  | 01/01/2023 - Dr Roux (Pédiatre)"),
                                   }));
}

TEST(BoosterRule, AnInjectionWithoutADateCountsAsTheEarliest)
{
    using BoosterReminders::Injection;
    const QList<Injection> injections{{1, 7, QDate(), QDate(2030, 1, 1)},
                                      {2, 7, QDate(2001, 1, 1), QDate(2011, 1, 1)},
                                      {3, 8, QDate(), QDate(2030, 1, 1)},
                                      {4, 8, QDate(), QDate(2031, 1, 1)}};
    EXPECT_EQ(BoosterReminders::pending(injections), QSet<int>{2});
}

TEST(BoosterUrgency, PassedIsOverdueAndTheNext30DaysAreSoon)
{
    const QDate today(2026, 12, 9);
    EXPECT_EQ(BoosterReminders::urgencyOf(QDate(2026, 12, 8), today), Urgency::Overdue);
    EXPECT_EQ(BoosterReminders::urgencyOf(today, today), Urgency::Soon);
    EXPECT_EQ(BoosterReminders::urgencyOf(QDate(2027, 1, 8), today), Urgency::Soon);
    EXPECT_EQ(BoosterReminders::urgencyOf(QDate(2027, 1, 9), today), Urgency::Later);
    EXPECT_EQ(BoosterReminders::overdueText(0), QStringLiteral("Aucun rappel en retard"));
    EXPECT_EQ(BoosterReminders::overdueText(1), QStringLiteral("1 rappel en retard"));
    EXPECT_EQ(BoosterReminders::overdueText(3), QStringLiteral("3 rappels en retard"));
}

} // namespace
