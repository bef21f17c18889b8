#include "CareRules.h"

#include <gtest/gtest.h>

TEST(CareRulesTest, Placeholder)
{
    EXPECT_TRUE(CareRules::isValidTime(QStringLiteral("  :  ")));
}
