#include "UpdateScript.h"

#include "TestFolders.h"

#include <gtest/gtest.h>

namespace {

using namespace UpdateScript;

TEST(UpdateScriptLine, TheFirstCommandWordOfTheTableDecides)
{
    EXPECT_EQ(commandOf(QStringLiteral("NotFieldExists(A.B)")), Command::NotFieldExists);
    EXPECT_EQ(commandOf(QStringLiteral("FieldExists(A.B)")), Command::FieldExists);
    EXPECT_EQ(commandOf(QStringLiteral("ExtractImageToJpegCopy('T','F','P')")), Command::ExtractImageToJpeg);
    EXPECT_EQ(commandOf(QStringLiteral("SqlExe{UPDATE T SET A='CompactDataBase'}")),
              Command::CompactDataBase);
    EXPECT_EQ(commandOf(QStringLiteral("sqlexe{SELECT 1}")), Command::None) << "case counts";
    EXPECT_TRUE(isBlockEnd(QStringLiteral("End")));
    EXPECT_TRUE(isBlockEnd(QStringLiteral("ENDIF")));
    EXPECT_TRUE(isBlockEnd(QStringLiteral("\tend")));
    EXPECT_FALSE(isBlockEnd(QStringLiteral("EN")));
    EXPECT_TRUE(isComment(QStringLiteral("  // SqlExe{DROP TABLE PERSON}")));
}

TEST(UpdateScriptLine, ArgumentsBareAndDelimited)
{
    const GuardArguments a = guardArguments(QStringLiteral("NotFieldType( [ACTION].Price , ftBCD)"));
    EXPECT_EQ(a.table, QStringLiteral("ACTION"));
    EXPECT_EQ(a.field, QStringLiteral("Price"));
    EXPECT_EQ(a.type, QStringLiteral("ftBCD"));
    EXPECT_EQ(guardArguments(QStringLiteral("TableExists(PERSON")).table, QStringLiteral("PERSON"));

    EXPECT_EQ(
        delimitedArguments(QStringLiteral("ResizeBitmapInDataBase('PERSON',\"ImgMini1\",|115|,'115') X")),
        (QStringList{"PERSON", "ImgMini1", "115", "115"}));
    EXPECT_EQ(delimitedArguments(QStringLiteral("ReplaceStringInQueryScript('Year(Date), x','')")),
              (QStringList{"Year(Date), x", ""}))
        << "commas and brackets inside a value";
    EXPECT_THROW(delimitedArguments(QStringLiteral("ExtractJpegImage('T','F'")), AppError);
    EXPECT_THROW(delimitedArguments(QStringLiteral("ExtractJpegImage")), AppError);
    EXPECT_EQ(
        delimitedArguments(QStringLiteral("X('") + QString(300, QLatin1Char('v')) + QStringLiteral("')"))
            .at(0)
            .size(),
        kMaxValue);

    EXPECT_EQ(bracedText(QStringLiteral("SqlExe{SELECT '}' }")), QStringLiteral("SELECT '"));
    EXPECT_EQ(bracedText(QStringLiteral("SqlExe{SELECT 1")), QStringLiteral("SELECT 1"));
    EXPECT_EQ(bareArgument(QStringLiteral("CompactDataBase( BRIVOLINE.MDB )")),
              QStringLiteral("BRIVOLINE.MDB"));
    EXPECT_EQ(splitLines(QStringLiteral("a\r\nb\nc\rd\n")), (QStringList{"a", "b", "c", "d"}));
}

} // namespace
