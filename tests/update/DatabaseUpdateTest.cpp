// Which update scripts an older database needs, from the version it holds.
#include "DatabaseUpdate.h"

#include "DatabaseVersion.h"
#include "Product.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

namespace {

TEST(DatabaseUpdate, ScriptsAboveTheDatabaseVersionRunInVersionOrderUpToTheProgramsLayout)
{
    EXPECT_EQ(numericVersion(QStringLiteral("3.51")), 351);
    EXPECT_EQ(numericVersion(QStringLiteral("3.6")), 36) << "older than 3.51";
    EXPECT_EQ(numericVersion(QStringLiteral("abc")), 0);
    EXPECT_EQ(numericVersion(QString()), 0);

    TestFolders::Scratch scratch;
    const QString folder = scratch.make(QStringLiteral("chain"));
    for (const char* name : {"BD_351.maj", "BD_3510.maj", "BD_330.maj", "BD_35.maj", "other.maj", "BD_x.maj"})
        TestFolders::writeFile(folder + QLatin1String(name), "");
    const int program = Product::databaseVersionNumber;
    TestFolders::writeFile(folder + QStringLiteral("BD_%1.maj").arg(program + 1), "");
    const QStringList fromOlder = DatabaseUpdate::scriptsAfter(folder, 320);
    ASSERT_GE(fromOlder.size(), 2);
    EXPECT_EQ(fromOlder.mid(0, 2), (QStringList{QStringLiteral("BD_330.maj"), QStringLiteral("BD_351.maj")}))
        << "by number, whatever the name order; too short or odd names are not scripts";
    EXPECT_FALSE(fromOlder.contains(QStringLiteral("BD_%1.maj").arg(program + 1)))
        << "a newer layout never runs";
    EXPECT_TRUE(DatabaseUpdate::scriptsAfter(folder, program).isEmpty());
}

} // namespace
