#include "NumberFormat.h"

#include "Money.h"

#include <gtest/gtest.h>

namespace {

const QLocale kFrench(QLocale::French, QLocale::France);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

TEST(NumberFormatTest, PicturesOfTheRecordFields)
{
    using NumberFormat::formatFloat;
    EXPECT_EQ(formatFloat(QStringLiteral("#######0.00 €"), 12.5, kFrench), QStringLiteral("12,50 €"));
    EXPECT_EQ(formatFloat(QStringLiteral("#######0.00 €"), -3, kFrench), QStringLiteral("-3,00 €"));
    EXPECT_EQ(formatFloat(QStringLiteral("#######0.00"), 0, kFrench), QStringLiteral("0,00"));
    EXPECT_EQ(formatFloat(QStringLiteral("#######0.00"), 12.5, kEnglish), QStringLiteral("12.50"));
    EXPECT_EQ(formatFloat(QStringLiteral("#######0.000 Kg"), 3.25, kFrench), QStringLiteral("3,250 Kg"));
    EXPECT_EQ(formatFloat(QStringLiteral("#######0.00 cm"), 49.996, kFrench), QStringLiteral("50,00 cm"));
    // Halves round away from zero, as the user reads the amount.
    EXPECT_EQ(formatFloat(QStringLiteral("0.00"), 2.675, kFrench), QStringLiteral("2,68"));
    EXPECT_EQ(formatFloat(QStringLiteral("0.00"), -2.675, kFrench), QStringLiteral("-2,68"));
    EXPECT_EQ(formatFloat(QStringLiteral("0.00"), -0.001, kFrench), QStringLiteral("0,00"));
    EXPECT_EQ(formatFloat(QStringLiteral("0.##"), 1.5, kFrench), QStringLiteral("1,5"));
    EXPECT_EQ(formatFloat(QStringLiteral("#,##0.00"), 1234567.891, kEnglish), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(formatFloat(QStringLiteral("'n° '0"), 7, kFrench), QStringLiteral("n° 7"));
    EXPECT_EQ(formatFloat(QStringLiteral("#######0.00"), 123456789012.5, kFrench),
              QStringLiteral("123456789012,50"));
}

TEST(NumberFormatTest, TypedDecimalsReadWithEitherSeparator)
{
    using NumberFormat::parseDecimal;
    EXPECT_EQ(parseDecimal(QStringLiteral("12,50")), 12.5);
    EXPECT_EQ(parseDecimal(QStringLiteral(" 12.50 ")), 12.5);
    EXPECT_EQ(parseDecimal(QStringLiteral("-3")), -3.0);
    EXPECT_EQ(parseDecimal(QStringLiteral("1 234,5")), 1234.5);
    EXPECT_EQ(parseDecimal(QStringLiteral("1.234,5")), 1234.5);
    EXPECT_EQ(parseDecimal(QStringLiteral("1,234.5")), 1234.5);
    EXPECT_EQ(parseDecimal(QStringLiteral("12,50 ") + Money::currencySymbol()), 12.5);
    EXPECT_FALSE(parseDecimal(QString()));
    EXPECT_FALSE(parseDecimal(QStringLiteral("   ")));
    EXPECT_FALSE(parseDecimal(QStringLiteral("12,5x")));
    EXPECT_FALSE(parseDecimal(QStringLiteral("inf")));
    EXPECT_EQ(NumberFormat::plain(12.5, kFrench), QStringLiteral("12,5"));
    EXPECT_EQ(NumberFormat::plain(1234567, kFrench), QStringLiteral("1234567"));
}

TEST(MoneyTest, AmountsAreExactAndShownWithTheEuroSign)
{
    using Money::Amount;
    EXPECT_EQ(Amount::fromDouble(0.1) + Amount::fromDouble(0.2), Amount::fromDouble(0.3));
    EXPECT_EQ((Amount::fromDouble(0.3) - Amount::fromDouble(0.1) - Amount::fromDouble(0.1)).toDouble(), 0.1);
    EXPECT_EQ(Amount::fromDouble(12.34565).units(), 123457);
    EXPECT_EQ(Amount::fromDouble(-12.34565).units(), -123457);

    EXPECT_EQ(Money::normalisedSymbol(QStringLiteral("fr")), QStringLiteral("€"));
    EXPECT_EQ(Money::normalisedSymbol(QStringLiteral("FF")), QStringLiteral("€"));
    EXPECT_EQ(Money::normalisedSymbol(QString()), QStringLiteral("€"));
    EXPECT_EQ(Money::normalisedSymbol(QStringLiteral("CHF")), QStringLiteral("CHF"));
    EXPECT_TRUE(Money::displayFormat().startsWith(QStringLiteral("#######0.00 ")));
    EXPECT_TRUE(Money::displayFormat().endsWith(Money::currencySymbol()));
}

} // namespace

namespace {

TEST(MoneyTest, TypedAmountsReadExactlyFromTheirDigits)
{
    using Money::Amount;
    using Money::parse;
    EXPECT_EQ(parse(QStringLiteral("12,50"))->units(), 125000);
    EXPECT_EQ(parse(QStringLiteral(" 999 999,99 "))->units(), 9999999900LL);
    EXPECT_EQ(parse(QStringLiteral("1.234,5"))->units(), 12345000);
    EXPECT_EQ(parse(QStringLiteral("-0,1"))->units(), -1000);
    EXPECT_EQ(parse(QStringLiteral(",5"))->units(), 5000);
    EXPECT_EQ(parse(QStringLiteral("12,34565"))->units(), 123457);
    EXPECT_EQ(parse(QStringLiteral("-12,34565"))->units(), -123457);
    EXPECT_EQ(parse(QStringLiteral("7 ") + Money::currencySymbol())->units(), 70000);
    for (const char* bad : {"", " ", "abc", "12,5,0", "1e5", "12,5x", "-", ".", "--1", "123456789012345"})
        EXPECT_FALSE(parse(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(Amount::fromUnits(125000).decimalText(), QStringLiteral("12.5"));
    EXPECT_EQ(Amount::fromUnits(-1).decimalText(), QStringLiteral("-0.0001"));
    EXPECT_EQ(Amount::fromUnits(30000).decimalText(), QStringLiteral("3"));

    const QString symbol = QLatin1Char(' ') + Money::currencySymbol();
    EXPECT_EQ(Money::composedText(Amount::fromUnits(125000)), QStringLiteral("12.50") + symbol);
    EXPECT_EQ(Money::composedText(Amount::fromUnits(-30000)), QStringLiteral("-3.00") + symbol);
    EXPECT_EQ(Money::composedText(Amount::fromUnits(26750)), QStringLiteral("2.68") + symbol);
    EXPECT_EQ(Money::composedText(Amount::fromUnits(-49)), QStringLiteral("0.00") + symbol);
    EXPECT_EQ(Money::composedText(Amount::fromUnits(9999999900LL)), QStringLiteral("999999.99") + symbol);
}

} // namespace
