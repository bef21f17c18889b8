#include "EditMask.h"

#include "Dataset.h"
#include "MaskedEdit.h"

#include <gtest/gtest.h>
#include <QTest>

namespace {

TEST(EditMaskTest, RecordMasksReadTheOtherWayRoundInQt)
{
    EXPECT_EQ(EditMask(EditMasks::date).qtInputMask(), QStringLiteral("00/00/9999;_"));
    EXPECT_EQ(EditMask(EditMasks::time).qtInputMask(), QStringLiteral("09:99;_"));
    EXPECT_EQ(EditMask(EditMasks::socialSecurityNumber).qtInputMask(),
              QStringLiteral("0 00 00 00 000 000 99;_"));
    EXPECT_EQ(EditMask(QStringLiteral(">LLl-\\0a;0;*")).qtInputMask(), QStringLiteral(">AAa-\\0n;*"));
    EXPECT_TRUE(EditMask().isEmpty());
    EXPECT_EQ(EditMask(EditMasks::date).length(), 10);
}

TEST(EditMaskTest, StoredValuesKeepLiteralsAndPutBlanksFirst)
{
    const EditMask date(EditMasks::date);
    EXPECT_EQ(date.toStored(QStringLiteral("05/03/2024")), QStringLiteral("05/03/2024"));
    EXPECT_EQ(date.toStored(QStringLiteral("5_/3_/2024")), QStringLiteral(" 5/ 3/2024"));
    EXPECT_EQ(date.toStored(QStringLiteral("__/__/____")), QStringLiteral("  /  /    "));
    EXPECT_TRUE(date.isComplete(QStringLiteral("5_/3_/2024")));
    EXPECT_FALSE(date.isComplete(QStringLiteral("05/03/20__")));
    EXPECT_EQ(date.toShown(QStringLiteral(" 5/ 3/2024")), QStringLiteral("_5/_3/2024"));
    EXPECT_EQ(date.toShown(QString()), QStringLiteral("__/__/____"));

    const EditMask time(EditMasks::time);
    EXPECT_EQ(time.toStored(QStringLiteral("5_:30")), QStringLiteral(" 5:30"));
    EXPECT_TRUE(time.isComplete(QStringLiteral("5_:30")));
    EXPECT_FALSE(time.isComplete(QStringLiteral("12:3_")));
    // A required position cannot be left blank by moving what was typed.
    EXPECT_EQ(time.toStored(QStringLiteral("12:3_")), QStringLiteral("12:3 "));

    const EditMask number(EditMasks::socialSecurityNumber);
    EXPECT_EQ(number.toStored(QStringLiteral("1 85 03 75 123 456 78")),
              QStringLiteral("1 85 03 75 123 456 78"));
    EXPECT_FALSE(number.isComplete(QStringLiteral("1 85 03 75 123 456 7_")));

    const EditMask bare(QStringLiteral("!99/99/0000;0;_"));
    EXPECT_EQ(bare.toStored(QStringLiteral("5_/03/2024")), QStringLiteral(" 5032024"));
    EXPECT_EQ(bare.toShown(QStringLiteral(" 5032024")), QStringLiteral("_5/03/2024"));
}

TEST(EditMaskTest, AMaskedEditTakesWhatIsTypedInTheStoredForm)
{
    MaskedEdit edit;
    edit.setEditMask(EditMasks::date);
    edit.show();
    edit.setFocus();
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("5/3/2024"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("5_/3_/2024"));
    EXPECT_EQ(edit.storedText(), QStringLiteral(" 5/ 3/2024"));
    EXPECT_TRUE(edit.isComplete());

    edit.setStoredText(QStringLiteral("28/02/2023"));
    EXPECT_EQ(edit.storedText(), QStringLiteral("28/02/2023"));
    edit.setStoredText(QStringLiteral(" 1/ 2/2023"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("_1/_2/2023"));
    EXPECT_EQ(edit.storedText(), QStringLiteral(" 1/ 2/2023"));

    edit.setEditMask(EditMasks::time);
    edit.clear();
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("1230"));
    EXPECT_EQ(edit.storedText(), QStringLiteral("12:30"));
}

} // namespace
