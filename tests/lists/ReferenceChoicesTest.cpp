#include "ReferenceChoices.h"

#include "Connection.h"
#include "HouseholdFixture.h"
#include "ReferenceMember.h"

#include <gtest/gtest.h>
#include <QSqlQuery>

namespace {

TEST(ReferenceChoices, EntriesCarryTheirDetailInTheListOrderAndAMissingIdNamesNothing)
{
    HouseholdFixture household;
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM LST_ILLNESS")));
    ASSERT_TRUE(
        q.exec(QStringLiteral("INSERT INTO LST_ILLNESS (Title, Gravity, Category) "
                              "VALUES ('Varicelle', 'Bénigne', 'Virale'), ('Angine', '', 'Virale')")));
    ASSERT_TRUE(q.exec(
        QStringLiteral("INSERT INTO LST_PHARMACY (Name, Category) VALUES ('Pharmacie du Port', 'Garde')")));
    const int pharmacy = q.lastInsertId().toInt();

    const QList<ReferenceEntry> illnesses = ReferenceChoices::entries(ReferenceKind::Illness, household.dm());
    QStringList texts;
    for (const ReferenceEntry& e : illnesses)
        texts << e.text;
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Angine"), QStringLiteral("Varicelle (Bénigne)")}))
        << "illnesses show their seriousness, in title order";
    EXPECT_EQ(ReferenceChoices::textOf(ReferenceKind::Illness, household.dm(), illnesses.at(1).id),
              QStringLiteral("Varicelle (Bénigne)"));
    EXPECT_EQ(ReferenceChoices::textOf(ReferenceKind::Pharmacy, household.dm(), pharmacy),
              QStringLiteral("Pharmacie du Port (Garde)"));
    EXPECT_EQ(ReferenceChoices::textOf(ReferenceKind::Pharmacy, household.dm(), pharmacy + 1), QString());
    EXPECT_FALSE(household.dm().Lst_Illness.isActive()) << "the shared list is left as it was";
}

} // namespace
