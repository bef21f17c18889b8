// The records as start-up finds them: damaged ones get the way back (the
// latest backup restored with its safety archive, or a repair) and never a
// main window.
#include "BackupArchive.h"
#include "Compaction.h"
#include "DatabaseRecovery.h"
#include "MaintenanceSamples.h"
#include "OrderlyClose.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace MaintenanceSamples;

namespace {

// Overwrites bytes of the file, as a failing disk would.
void damage(const QString& file, qint64 from, qint64 size)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(from);
    f.write(QByteArray(int(size), '\xa5'));
}

void damagePage(const QString& databaseFile, const QString& table)
{
    const qint64 page =
        valueOf(databaseFile, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='%1'").arg(table))
            .toLongLong();
    const qint64 size = valueOf(databaseFile, QStringLiteral("PRAGMA page_size")).toLongLong();
    ASSERT_GT(page, 1);
    damage(databaseFile, (page - 1) * size, size);
}

// The records' archive, as a backup writes it.
QString writeBackup(const RecordSet& set)
{
    const QString archive = set.backupFolder() + QStringLiteral("famille.bkp");
    NoProgress quiet;
    BackupArchive::write(set, archive, quiet);
    return archive;
}

// The archive's row in the history, where start-up looks for the latest backup.
void listInHistory(const QString& databaseFile, const QString& archive)
{
    execute(databaseFile,
            QStringLiteral("INSERT INTO BACKUP (DateSav, TimeSav, Description, Path) VALUES ('2026-12-08', "
                           "'10:30', 'Sauvagarde de la base de données', '%1')")
                .arg(archive));
}

QString safetyArchiveIn(const RecordSet& set)
{
    const QStringList found =
        QDir(set.backupFolder())
            .entryList({BackupArchive::kSafetyPrefix + QStringLiteral("*.bkp")}, QDir::Files);
    return found.size() == 1 ? set.backupFolder() + found.first() : QString();
}

TEST(RecordsAtStart, DamagedDatabaseIsRestoredFromTheLatestBackupOrNeverOpened)
{
    TestFolders::Scratch scratch;
    const QString home = scratch.path();
    ASSERT_TRUE(runProgram(home).shown);
    const RecordSet set = recordSetIn(home + kDataFolder);
    const QString db = set.databaseFile();
    populate(set, 3, 2, 1);
    const QString archive = writeBackup(set);
    const Snapshot saved = snapshot(set);
    listInHistory(db, archive);
    execute(db, QStringLiteral("INSERT INTO PERSON (Name) VALUES ('Après la sauvegarde')"));
    const QString damaged =
        QStringLiteral("La base de données \"%1\" est endommagée : une partie de son contenu ne "
                       "peut plus être lue.\r\r")
            .arg(db);
    const QString restoreOffer =
        QStringLiteral("\r\rDésirez-vous la restaurer maintenant ? Les données actuelles seront "
                       "d'abord gardées dans une sauvegarde de sécurité.");

    // A page of the persons damaged: the backup named by the history.
    damagePage(db, QStringLiteral("PERSON"));
    const QByteArray damagedBytes = TestFolders::readFile(db);
    ProgramRun started = runProgram(home);
    EXPECT_EQ(started.exitCode, 0);
    EXPECT_TRUE(started.shown);
    const QString safety = safetyArchiveIn(set);
    ASSERT_FALSE(safety.isEmpty());
    EXPECT_EQ(
        started.messages.join(QLatin1Char('\n')).toStdString(),
        (QStringList{
             QStringLiteral("question\t") + damaged +
                 QStringLiteral("La sauvegarde la plus récente de l'historique est \"%1\" (du 08/12/2026 "
                                "à 10:30).")
                     .arg(archive) +
                 restoreOffer.mid(1),
             QStringLiteral("information\tSauvegarde restaurée.\rLes données qu'elle a remplacées sont "
                            "gardées dans la sauvegarde de sécurité \"%1\".")
                 .arg(safety)})
            .join(QLatin1Char('\n'))
            .toStdString());
    EXPECT_EQ(integrityOf(db), QStringLiteral("ok"));
    EXPECT_EQ(snapshot(set).withoutHistory(), saved.withoutHistory());
    const QString out = scratch.make(QStringLiteral("safety"));
    run(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out, safety});
    EXPECT_EQ(TestFolders::readFile(out + BackupArchive::kDatabaseEntry), damagedBytes)
        << "the damaged database is kept as it was";

    // The catalogue damaged, the history unreadable: the newest archive of
    // the backup folder (never a safety archive).
    QFile::rename(safety, scratch.path() + QStringLiteral("safety.bkp"));
    damage(db, 100, valueOf(db, QStringLiteral("PRAGMA page_size")).toLongLong() - 100);
    started = runProgram(home);
    EXPECT_EQ(started.exitCode, 0);
    EXPECT_TRUE(started.shown);
    ASSERT_EQ(started.messages.size(), 2);
    EXPECT_TRUE(started.messages.at(0).startsWith(
        QStringLiteral("question\t") + damaged +
        QStringLiteral("La sauvegarde la plus récente de l'historique est \"%1\" (du %2")
            .arg(archive, QFileInfo(archive).lastModified().toString(QStringLiteral("dd/MM/yyyy")))))
        << started.messages.at(0).toStdString();
    EXPECT_EQ(integrityOf(db), QStringLiteral("ok"));
    EXPECT_EQ(snapshot(set).withoutHistory(), saved.withoutHistory());

    // No backup left: the repair is offered, cannot mend a lost page, and
    // start-up ends without touching the file.
    for (const QString& name : QDir(set.backupFolder()).entryList({QStringLiteral("*.bkp")}, QDir::Files))
        QFile::remove(set.backupFolder() + name);
    damagePage(db, QStringLiteral("PERSON"));
    const QByteArray stillDamaged = TestFolders::readFile(db);
    started = runProgram(home);
    EXPECT_EQ(started.exitCode, 1);
    EXPECT_FALSE(started.shown);
    ASSERT_EQ(started.messages.size(), 3) << started.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(started.messages.at(0),
              QStringLiteral("question\t") + damaged +
                  QStringLiteral("Désirez-vous tenter de la réparer par un compactage ? Elle ne sera "
                                 "remplacée que par une copie vérifiée."));
    EXPECT_TRUE(started.messages.at(1).startsWith(
        QStringLiteral("error\tLa base de données \"%1\" n'a pas pu être réparée :\r").arg(db)));
    EXPECT_EQ(started.messages.at(2), QStringLiteral("error\t") + DatabaseRecovery::damagedMessage(db));
    EXPECT_EQ(TestFolders::readFile(db), stillDamaged);
    EXPECT_FALSE(TestFolders::exists(Compaction::scratchFileFor(db)));
}

// A start after an orderly close checks only the catalogue; a file written
// since, here a page the start never reads damaged, is read whole again.
TEST(RecordsAtStart, DamageAfterAnOrderlyCloseIsFoundWhenTheFileChangedOutside)
{
    TestFolders::Scratch scratch;
    const QString home = scratch.path();
    ASSERT_TRUE(runProgram(home).shown);
    const RecordSet set = recordSetIn(home + kDataFolder);
    const QString db = set.databaseFile();
    populate(set, 2, 1, 0);
    listInHistory(db, writeBackup(set));
    const Snapshot saved = snapshot(set);
    ProgramRun started = runProgram(home);
    ASSERT_TRUE(started.shown);
    ASSERT_TRUE(started.messages.isEmpty()) << started.messages.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(TestFolders::exists(OrderlyClose::recordFileFor(db)));

    damagePage(db, QStringLiteral("DOCUMENTTEXT"));
    started = runProgram(home);
    EXPECT_EQ(started.exitCode, 0);
    EXPECT_TRUE(started.shown);
    ASSERT_EQ(started.messages.size(), 2) << started.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(started.messages.at(0).startsWith(
        QStringLiteral("question\tLa base de données \"%1\" est endommagée").arg(db)));
    EXPECT_EQ(integrityOf(db), QStringLiteral("ok"));
    EXPECT_EQ(snapshot(set).withoutHistory(), saved.withoutHistory());
    EXPECT_TRUE(TestFolders::exists(OrderlyClose::recordFileFor(db)));
}

} // namespace
