// The update's backup is put back only when the user asks and it is sound.
#include "DatabaseRecovery.h"

#include "Messages.h"
#include "TemplateDatabaseTest.h"

#include <QFile>

namespace {

TEST(DatabaseRecoveryAtStart, UpdateBackupReplacesNothingUnlessAskedAndSound)
{
    TestFolders::Scratch scratch;
    DbConfig config;
    config.databaseFolder = scratch.path();
    const QString file = config.databaseFile();
    const QString backup =
        scratch.path() + QStringLiteral("Backup/Maj/BRIVOLINE_ACCESS_BACKUP_MAJ_09122026101500.bkp");
    TestFolders::copyTemplate(file);
    TestFolders::copyTemplate(backup);
    Connection::open(config);
    QSqlQuery(Connection::database()).exec(QStringLiteral("DROP TABLE EVENT"));
    const QByteArray broken = TestFolders::readFile(file);
    const QString missing = QStringLiteral("la table « EVENT »");
    DatabaseRecovery recovery(config, {});
    Messages::Recorder messages;

    messages.queueAnswer(Messages::Answer::No);
    EXPECT_FALSE(recovery.recoverIncomplete(missing, backup));
    EXPECT_EQ(messages.texts().value(1), DatabaseRecovery::incompleteMessage(file, missing, backup));
    EXPECT_TRUE(messages.texts().value(1).contains(backup)) << "the way back is named";
    EXPECT_EQ(TestFolders::readFile(file), broken);

    {
        QFile damaged(backup);
        ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
        damaged.seek(4096);
        damaged.write(QByteArray(4096, '\xa5'));
    }
    Connection::open(config);
    messages.clear();
    EXPECT_FALSE(recovery.recoverIncomplete(missing, backup));
    ASSERT_EQ(messages.texts().size(), 3) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages.texts().at(1).startsWith(
        QStringLiteral("La sauvegarde \"%1\" ne peut pas être remise en place :\r").arg(backup)));
    EXPECT_EQ(TestFolders::readFile(file), broken);
    EXPECT_FALSE(Connection::isOpen());
}

} // namespace
