#include "CareRules.h"

#include "JetDialect.h"

#include <gtest/gtest.h>

namespace {

using CareRules::ActKind;
using CareRules::ListScope;
using CareRules::Payer;
using CareRules::Reimbursed;

TEST(CareRulesTest, AReimbursementIsOfferedWhileARowWaitsForAPayer)
{
    EXPECT_FALSE(CareRules::canRecordReimbursement(false, {}));
    EXPECT_TRUE(CareRules::canRecordReimbursement(true, {}));
    EXPECT_TRUE(CareRules::canRecordReimbursement(true, {true, false}));
    EXPECT_TRUE(CareRules::canRecordReimbursement(true, {false, true}));
    EXPECT_FALSE(CareRules::canRecordReimbursement(true, {true, true}));
    const Reimbursed secuOnly{true, false};
    EXPECT_FALSE(CareRules::offers(Payer::Secu, secuOnly));
    EXPECT_TRUE(CareRules::offers(Payer::Comp, secuOnly));
    EXPECT_EQ(CareRules::columnsOf(Payer::Comp).date, QStringLiteral("Date_Repayment_Comp"));
}

TEST(CareRulesTest, OnlyANoClearsAPayersDate)
{
    for (const QVariant& no : {QVariant(QStringLiteral("Non")), QVariant(QStringLiteral(" n")),
                               QVariant(QStringLiteral("NO")), QVariant(false), QVariant(0)})
        EXPECT_TRUE(CareRules::saysNo(no)) << no.toString().toStdString();
    for (const QVariant& other :
         {QVariant(QStringLiteral("Oui")), QVariant(QString()), QVariant(QStringLiteral("Nonne")),
          QVariant(QStringLiteral("x")), QVariant(true), QVariant()})
        EXPECT_FALSE(CareRules::saysNo(other)) << other.toString().toStdString();
}

TEST(CareRulesTest, ATimeIsEmptyOrReal)
{
    for (const char* good : {"  :  ", "", "09:15", " 9:15", "23:59", "00:00"})
        EXPECT_TRUE(CareRules::isValidTime(QString::fromLatin1(good))) << good;
    for (const char* bad : {"25:99", "24:00", "12:60", " 9:5 ", "12", "ab:cd", "1:2:3"})
        EXPECT_FALSE(CareRules::isValidTime(QString::fromLatin1(bad))) << bad;
}

TEST(CareRulesTest, ListFiltersReachSQLiteWithTheFlagsAsStored)
{
    // The flags are 0/1 in the database; the lines keep the words the lists were designed with.
    const QString translated =
        JetDialect::translate(CareRules::listFilter(ActKind::Consultation, ListScope::All).arg(3));
    EXPECT_TRUE(translated.contains(QStringLiteral("(Action.Repayment=0 or Action.Repayment_Comp=0)")))
        << translated.toStdString();
    EXPECT_TRUE(translated.endsWith(QStringLiteral("Action.Id_Ref=3"))) << translated.toStdString();
}

} // namespace
