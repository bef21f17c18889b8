// A backup, a compaction and a restore, each run by a process killed with
// SIGKILL at a random moment (after a random delay, or at a random report
// of its progress), then the real program started again: it must start
// cleanly, and the records must be the ones before or the ones after, whole,
// with nothing of the interrupted operation left beside them. The backup
// and the restore run both plain and encrypted; the restore goes on to write
// its safety archive, as the program does after it, and once after a kill
// the history must name that archive, which must hold the records before.
// BRIVOLINE_KILL_ROUNDS sets the kills per operation (3 by default;
// tests/maintenance_kill_campaign.sh runs 50 or more).
#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "Compaction.h"
#include "Connection.h"
#include "Dataset.h"
#include "MaintenanceSamples.h"
#include "Restore.h"
#include "SafetyArchive.h"
#include "SealedFormat.h"
#include "TestFolders.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <unistd.h>

using namespace MaintenanceSamples;

namespace {

const QString kTarget = QStringLiteral("Backup/famille.bkp");
const char kPassword[] = "mot de passe de la famille";
const QString kEncrypted = QStringLiteral("-chiffrée");

Secret password()
{
    QByteArray bytes(kPassword);
    return Secret::takeBytes(bytes);
}

// "backup-chiffrée" is the backup, encrypted.
QString plainOperation(const QString& operation)
{
    return QString(operation).remove(kEncrypted);
}

// The operation's progress, which kills its own process at one report.
class KillingProgress final : public MaintenanceProgress
{
public:
    explicit KillingProgress(int killAt) : m_killAt(killAt) {}
    void task(const QString&) override { count(); }
    void bar(qint64, qint64) override { count(); }
    void message(const QString&) override { count(); }
    int reports() const { return m_reports; }

private:
    void count()
    {
        if (++m_reports == m_killAt)
            ::raise(SIGKILL);
    }
    int m_killAt;
    int m_reports = 0;
};

// What the program's command does, once the connection is open on the data:
// the history row first for a backup or a compaction, then the connection
// closed and the work done.
TEST(KillCampaignChild, Operation)
{
    const QString given = qEnvironmentVariable("BRIVOLINE_CHILD_OPERATION");
    if (given.isEmpty())
        GTEST_SKIP() << "run by KillCampaign in a process of its own";
    const QString operation = plainOperation(given);
    const bool encrypted = given != operation;
    const RecordSet set = recordSetIn(qEnvironmentVariable("BRIVOLINE_CHILD_DATA"));
    KillingProgress progress(qEnvironmentVariableIntValue("BRIVOLINE_CHILD_KILL_AT"));
    const QString target = set.dataFolder + kTarget;
    if (operation != QLatin1String("restore")) {
        DbConfig db;
        db.databaseFolder = set.databaseFolder;
        Connection::open(db);
        Dataset history(QStringLiteral("Backup"));
        history.setSql(QStringLiteral("SELECT * FROM BACKUP"));
        BackupHistory::add(history,
                           operation == QLatin1String("backup") ? BackupHistory::kBackup
                                                                : BackupHistory::kCompaction,
                           target);
        Connection::close();
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    const QString archive =
        qEnvironmentVariable("BRIVOLINE_CHILD_ARCHIVE") + (encrypted ? kEncrypted : QString());
    if (operation == QLatin1String("backup")) {
        std::optional<Sealed::PendingKey> key;
        if (encrypted)
            key.emplace(password(), Sealed::kLeastCost);
        BackupArchive::backup(set, target, progress, key ? &*key : nullptr);
    } else if (operation == QLatin1String("compact")) {
        Compaction::compactInPlace(set.databaseFile());
    } else {
        // Then its safety archive, as the program writes it afterwards.
        const Secret secret = password();
        std::optional<Restore::Encryption> encryption;
        if (encrypted)
            encryption.emplace(Sealed::Header::read(archive), secret);
        Restore::run(set, archive, progress, nullptr, encryption ? &*encryption : nullptr);
        SafetyArchive::finish(set, progress);
    }
    std::printf("reports %d\n", progress.reports());
    std::fflush(stdout);
}

class KillCampaign : public ::testing::Test
{
protected:
    // A home whose data folder the program made at its first start, with a
    // household in it and an earlier archive at the backup's target.
    void SetUp() override
    {
        const QString home = m_scratch.make(QStringLiteral("pristine"));
        ASSERT_TRUE(startProgram(home).isEmpty());
        const RecordSet set = recordSetIn(home + kDataFolder);
        populate(set, 3, 40, 4, 1, 700);
        // Some weight in the rows, and room a compaction gives back.
        execute(set.databaseFile(), QStringLiteral("UPDATE DOCUMENTIMG SET ImgMini = randomblob(50000)"));
        execute(set.databaseFile(), QStringLiteral("CREATE TABLE SCRAP (x BLOB)"));
        execute(set.databaseFile(), QStringLiteral("INSERT INTO SCRAP VALUES (randomblob(2000000))"));
        execute(set.databaseFile(), QStringLiteral("DROP TABLE SCRAP"));
        TestFolders::writeFile(set.dataFolder + kTarget, "sauvegarde précédente");
        m_pristine = home;
        m_old = snapshot(set);

        const RecordSet other = recordSetIn(m_scratch.make(QStringLiteral("other/")));
        populate(other, 2, 40, 3, 100, 700);
        m_archive = m_scratch.path() + QStringLiteral("autre.bkp");
        KillingProgress none(0);
        BackupArchive::write(other, m_archive, none);
        const Sealed::Key key = Sealed::Key::create(password(), Sealed::kLeastCost);
        BackupArchive::write(other, m_archive + kEncrypted, none, &key);
        m_archived = snapshot(other);
    }

    // Starts the real program on that home and lets it close at once;
    // returns what went wrong, nothing when it showed its window.
    static QString startProgram(const QString& home)
    {
        const ProgramRun run = runProgram(home);
        const QString messages = run.messages.join(QLatin1Char('\n'));
        if (run.exitCode != 0 || !run.shown)
            return QStringLiteral("the program did not start: ") + messages;
        return messages;
    }

    struct Outcome
    {
        bool killed = false; // ended by SIGKILL, not having finished
        int reports = 0;
        qint64 milliseconds = 0;
    };
    // Runs the operation on `home`; kills it after `delay` ms from its
    // start, or at its `killAt`-th report of progress.
    Outcome runChild(const QString& operation, const QString& home, int delay, int killAt)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRIVOLINE_CHILD_OPERATION"), operation);
        env.insert(QStringLiteral("BRIVOLINE_CHILD_DATA"), home + kDataFolder);
        env.insert(QStringLiteral("BRIVOLINE_CHILD_ARCHIVE"), m_archive);
        env.insert(QStringLiteral("BRIVOLINE_CHILD_KILL_AT"), QString::number(killAt));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=KillCampaignChild.Operation")});
        Outcome outcome;
        QByteArray out;
        while (!out.contains("ready\n") && child.waitForReadyRead(30000))
            out += child.readAllStandardOutput();
        QElapsedTimer clock;
        clock.start();
        if (delay >= 0) {
            while (child.state() == QProcess::Running && clock.elapsed() < delay)
                QThread::usleep(200);
            if (child.state() == QProcess::Running)
                ::kill(pid_t(child.processId()), SIGKILL);
        }
        const bool ended = child.waitForFinished(120000);
        outcome.milliseconds = clock.elapsed();
        out += child.readAllStandardOutput();
        if (child.exitStatus() == QProcess::CrashExit)
            outcome.killed = true;
        else if (const qsizetype at = out.indexOf("reports "); at >= 0)
            outcome.reports = out.mid(at + 8).split('\n').first().toInt();
        else
            ADD_FAILURE() << operation.toStdString() << (ended ? " failed: " : " did not end in 2 minutes: ")
                          << out.toStdString() << child.readAllStandardError().toStdString();
        return outcome;
    }

    QString freshHome(int round)
    {
        const QString home = m_scratch.path() + QStringLiteral("round%1/").arg(round);
        QDir(home).removeRecursively();
        run(QStringLiteral("cp"), {QStringLiteral("-a"), m_pristine, home});
        return home;
    }

    // Which state the records are in after the kill and a new start: 0 the
    // one before, 1 the one after; -1 neither.
    int stateAfter(const QString& given, const QString& home)
    {
        const QString operation = plainOperation(given);
        const RecordSet set = recordSetIn(home + kDataFolder);
        if (integrityOf(set.databaseFile()) != QLatin1String("ok"))
            return -1;
        const Snapshot now = snapshot(set);
        const QStringList history = now.tables.value(QStringLiteral("BACKUP"));
        if (operation == QLatin1String("restore")) {
            if (now == m_old)
                return 0;
            // After: the records of the archive, and the history naming the
            // safety archive, which holds the records before.
            // A history row reads "day|time|description|path".
            if (now.withoutHistory() != m_archived.withoutHistory() || history.size() != 2 ||
                history.last().section(QLatin1Char('|'), 2, 2) != BackupHistory::kSafetyBackup)
                return -1;
            return holdsTheRecordsBefore(history.last().section(QLatin1Char('|'), 3), given != operation,
                                         home)
                       ? 1
                       : -1;
        }
        if (now.withoutHistory() != m_old.withoutHistory() || history.size() != 1)
            return -1;
        if (operation == QLatin1String("compact"))
            return valueOf(set.databaseFile(), QStringLiteral("PRAGMA freelist_count")) == QLatin1String("0")
                       ? 1
                       : 0;
        // A backup: the earlier archive, or the whole new one.
        const QString target = set.dataFolder + kTarget;
        if (TestFolders::readFile(target) == "sauvegarde précédente")
            return 0;
        return holdsTheRecordsBefore(target, given != operation, home) ? 1 : -1;
    }

    // Whether the archive is sound and holds every file and row of the
    // records before the operation.
    bool holdsTheRecordsBefore(const QString& archive, bool encrypted, const QString& home)
    {
        const QString out = home + QStringLiteral("extracted/");
        QDir(out).removeRecursively();
        if (encrypted) {
            try {
                const Sealed::Key key = Sealed::Key::open(Sealed::Header::read(archive), password());
                ArchiveFile::extractAs(
                    archive, out, [](int, const Cabinet::Entry& e) { return e.name; }, &key);
            } catch (const AppError&) {
                return false;
            }
        } else {
            if (!run(QStringLiteral("cabextract"), {QStringLiteral("-t"), archive})
                     .contains("All done, no errors"))
                return false;
            run(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out, archive});
        }
        for (auto it = m_old.files.cbegin(); it != m_old.files.cend(); ++it)
            if (TestFolders::readFile(out + it.key().section(QLatin1Char('/'), 1)) != it.value())
                return false;
        return snapshotOf(out + BackupArchive::kDatabaseEntry, out).withoutHistory().tables ==
               m_old.withoutHistory().tables;
    }

    // What an interrupted operation may leave under a home: partial
    // archives, the compaction's scratch copy, a restore's staging, data a
    // restore set aside, notes.
    static QStringList leftoversUnder(const QString& home)
    {
        static const QRegularExpression kLeftover(
            QStringLiteral("\\.partial$|\\.part$|\\.tmp$|~\\.MDB|/\\.restauration/|/\\.avant-restauration/|"
                           "\\.sauvegarde-en-cours|/temp\\.cab$"));
        return filesUnder(home).filter(kLeftover);
    }

    TestFolders::Scratch m_scratch;
    QString m_pristine;
    QString m_archive;
    Snapshot m_old;
    Snapshot m_archived;
};

TEST_F(KillCampaign, EveryOperationKilledAtRandomLeavesTheStateBeforeOrAfter)
{
    const int rounds = qMax(1, qEnvironmentVariableIntValue("BRIVOLINE_KILL_ROUNDS") > 0
                                   ? qEnvironmentVariableIntValue("BRIVOLINE_KILL_ROUNDS")
                                   : 3);
    QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
    int round = 0;
    for (const QString& operation :
         {QStringLiteral("backup"), QStringLiteral("compact"), QStringLiteral("restore"),
          QStringLiteral("backup") + kEncrypted, QStringLiteral("restore") + kEncrypted}) {
        SCOPED_TRACE(operation.toStdString());
        // Runs to the end: how long it takes (the quickest of three, the
        // disk being busy at times) and how often it reports.
        Outcome full;
        for (int run = 0; run < 3; ++run) {
            const QString whole = freshHome(round++);
            const Outcome ended = runChild(operation, whole, -1, 0);
            ASSERT_EQ(stateAfter(operation, whole), 1);
            if (run == 0 || ended.milliseconds < full.milliseconds)
                full = ended;
        }
        int counts[2] = {0, 0};
        int killedInTime = 0;
        int killedAtReport = 0;
        int leftBehind = 0;
        for (int r = 0; r < rounds; ++r) {
            const QString home = freshHome(round++);
            const bool byTime = r % 2 == 0 || full.reports == 0;
            const int delay = byTime ? int(random.bounded(qint64(full.milliseconds) * 11 / 10 + 1)) : -1;
            const int report = byTime ? 0 : 1 + int(random.bounded(qMax(1, full.reports)));
            const Outcome outcome = runChild(operation, home, delay, report);
            (byTime ? killedInTime : killedAtReport) += outcome.killed;
            const QString started = startProgram(home);
            EXPECT_TRUE(started.isEmpty()) << "round " << r << ": " << started.toStdString();
            if (const QStringList left = leftoversUnder(home); !left.isEmpty()) {
                ++leftBehind;
                ADD_FAILURE() << "round " << r
                              << " left after the next start: " << left.join(u' ').toStdString();
            }
            const int state = stateAfter(operation, home);
            EXPECT_NE(state, -1) << "round " << r << (byTime ? " killed after " : " killed at report ")
                                 << (byTime ? delay : report);
            if (state >= 0)
                ++counts[state];
            QDir(home).removeRecursively();
        }
        std::printf(
            "%s: %d runs (%lld ms, %d reports uninterrupted), %d killed after a delay, %d at a report; "
            "%d left the state before, %d the state after; %d left files behind after the next start\n",
            qPrintable(operation), rounds, static_cast<long long>(full.milliseconds), full.reports,
            killedInTime, killedAtReport, counts[0], counts[1], leftBehind);
        std::fflush(stdout);
    }
}

} // namespace
