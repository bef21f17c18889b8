// The records lock that keeps a second session off the records outlasts
// the operations that close, rename and swap the database.
#include "RecordsLock.h"

#include "BackupArchive.h"
#include "Cabinet.h"
#include "Compaction.h"
#include "MaintenanceSamples.h"
#include "Restore.h"
#include "SafetyArchive.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace MaintenanceSamples;

namespace {

// The lock file is none of the files these operations archive or swap.
TEST(RecordsAtStart, RecordsLockOutlastsBackupCompactionAndRestore)
{
    TestFolders::Scratch scratch;
    const RecordSet set = recordSetIn(scratch.make(QStringLiteral("donnees")));
    populate(set, 2, 2, 1);
    RecordsLock held(set.databaseFile());
    ASSERT_TRUE(held.acquire());
    NoProgress quiet;
    const QString archive = set.backupFolder() + QStringLiteral("famille.bkp");
    BackupArchive::backup(set, archive, quiet);
    Compaction::compactInPlace(set.databaseFile());
    const QString safety = Restore::run(set, archive, quiet, nullptr).safetyArchive;
    SafetyArchive::finish(set, quiet);
    for (const QString& written : {archive, safety})
        for (const Cabinet::Entry& entry : Cabinet::list(written))
            EXPECT_FALSE(entry.name.endsWith(QLatin1String(".lock"))) << entry.name.toStdString();

    RecordsLock other(set.databaseFile());
    EXPECT_FALSE(other.acquire());
    EXPECT_EQ(other.holder().pid, qint64(::getpid()));
    EXPECT_TRUE(other.inUseMessage().contains(QStringLiteral("processus %1").arg(::getpid())));
}

} // namespace
