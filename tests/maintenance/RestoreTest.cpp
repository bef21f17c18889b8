// Restores and backups on real files without the main window: hostile
// archives, archives of other tools and of older versions, full disks, a
// read-only backup folder, and a swap cut short.
#include "Restore.h"

#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "CabBuilder.h"
#include "Compaction.h"
#include "FileUtils.h"
#include "Leftovers.h"
#include "MaintenanceSamples.h"
#include "OlderLayout.h"
#include "Product.h"
#include "SafetyArchive.h"
#include "SealedStreams.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <csignal>
#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace MaintenanceSamples;

namespace {

struct Interrupted
{
};

// Counts what an operation reports; can stop it at one report of the bar
// once the swap has begun, as a crash would.
class Progress final : public MaintenanceProgress
{
public:
    void task(const QString& text) override
    {
        tasks << text;
        swapping = text == QLatin1String("Restauration de la base");
    }
    void bar(qint64, qint64) override
    {
        if (swapping && ++swapBars == stopAtSwapBar)
            throw Interrupted{};
    }
    QStringList tasks;
    bool swapping = false;
    int swapBars = 0;
    int stopAtSwapBar = -1;
};

class RestoreTest : public ::testing::Test
{
protected:
    RestoreTest()
    {
        populate(m_set, 2, 4, 2);
        m_before = snapshot(m_set);
    }

    // An archive of another household (its own Ids and pictures), made by
    // the program, with what it holds; encrypted with the key when one is given.
    QString otherHousehold(int pictures = 5, const Sealed::Key* key = nullptr)
    {
        const RecordSet other = recordSetIn(m_scratch.make(QStringLiteral("other")));
        populate(other, 3, pictures, 1, 40);
        m_archived = snapshot(other);
        const QString archive = m_scratch.path() + QStringLiteral("autre.bkp");
        BackupArchive::write(other, archive, m_progress, key);
        return archive;
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        TestFolders::writeFile(m_scratch.path() + name, bytes);
        return m_scratch.path() + name;
    }
    // The cabinet's bytes encrypted as the program's writer seals its own:
    // its directory apart, the rest in chunks.
    QString sealed(const QString& name, const QByteArray& cabinet, const Sealed::Key& key)
    {
        QFile file(m_scratch.path() + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const auto* bytes = reinterpret_cast<const unsigned char*>(cabinet.constData());
        const std::size_t directory = CabBuilder::Cab::dataStartOf(cabinet);
        Sealed::Writer writer(file.fileName(), file.handle(), key);
        writer.reserve(directory);
        writer.append(bytes + directory, std::size_t(cabinet.size()) - directory);
        writer.finish(bytes, directory);
        return file.fileName();
    }
    void expectRefused(const QString& archive, const QString& words,
                       Restore::Encryption* encryption = nullptr)
    {
        SCOPED_TRACE(words.toStdString());
        const QStringList everything = filesUnder(m_scratch.path());
        try {
            Restore::run(m_set, archive, m_progress, nullptr, encryption);
            ADD_FAILURE() << "restored";
        } catch (const Restore::NotRestored& e) {
            EXPECT_TRUE(e.text().contains(words)) << e.text().toStdString();
            EXPECT_EQ(TestFolders::englishIn(e.text()), QString()) << e.text().toStdString();
        }
        EXPECT_EQ(snapshot(m_set), m_before);
        EXPECT_EQ(filesUnder(m_scratch.path()), everything) << "nothing written, nothing left";
    }
    QByteArray templateBytes() const { return TestFolders::readFile(TestFolders::templateDatabase()); }
    // The template database with the rows the statements add.
    QByteArray databaseWith(const QStringList& statements)
    {
        const QString file = m_scratch.path() + QStringLiteral("rows%1.mdb").arg(++m_databases);
        TestFolders::copyTemplate(file);
        for (const QString& statement : statements)
            execute(file, statement);
        const QByteArray bytes = TestFolders::readFile(file);
        QFile::remove(file);
        return bytes;
    }
    // The bytes of every file under the scratch folder but one.
    qint64 bytesWrittenBesides(const QString& archive) const
    {
        qint64 total = 0;
        QDirIterator it(m_scratch.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            if (const QString file = it.next(); file != archive)
                total += QFileInfo(file).size();
        return total;
    }

    TestFolders::Scratch m_scratch;
    RecordSet m_set = recordSetIn(m_scratch.make(QStringLiteral("home")));
    Snapshot m_before;
    Snapshot m_archived;
    Progress m_progress;
    int m_databases = 0;
};

TEST_F(RestoreTest, HostileArchivesAreRefusedAndChangeNothing)
{
    const QByteArray sound = TestFolders::readFile(otherHousehold());
    m_before = snapshot(m_set);
    expectRefused(write(QStringLiteral("vide.bkp"), QByteArray()), QStringLiteral("vide"));
    expectRefused(write(QStringLiteral("zip.bkp"), "PK\x03\x04 une archive zip"),
                  QStringLiteral("pas une archive"));
    expectRefused(write(QStringLiteral("tronquee.bkp"), sound.left(sound.size() / 2)),
                  QStringLiteral("incomplète"));
    QByteArray damaged = sound;
    damaged[damaged.size() - 5000] = char(damaged[damaged.size() - 5000] ^ 0x10);
    expectRefused(write(QStringLiteral("abimee.bkp"), damaged), QStringLiteral("somme de contrôle"));

    const auto withDatabase = [this](const QByteArray& database) {
        CabBuilder::Cab cab;
        cab.add("BRIVOLINE.MDB", database);
        return cab;
    };
    for (const QByteArray& name : {QByteArray("..\\evil.jpg"), QByteArray("../evil.jpg"),
                                   QByteArray("/tmp/evil.jpg"), QByteArray("C:\\evil.jpg"), QByteArray("")}) {
        CabBuilder::Cab cab = withDatabase(templateBytes());
        cab.add(name, "pirate");
        expectRefused(write(QStringLiteral("nom.bkp"), cab.build()), QStringLiteral("dangereux"));
    }
    CabBuilder::Cab twice = withDatabase(
        databaseWith({QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (1, 1, 'Radio')")}));
    twice.add("Images\\Doc1.jpg", "un");
    twice.add("doc1.JPG", "deux");
    expectRefused(write(QStringLiteral("double.bkp"), twice.build()), QStringLiteral("déjà pris"));

    CabBuilder::Cab huge = withDatabase(templateBytes());
    huge.add("Doc1.jpg", "petit");
    huge.entries.last().size = 0xffffffffu; // claims 4 GB
    expectRefused(write(QStringLiteral("enorme.bkp"), huge.build()), QStringLiteral("endommagée"));

    expectRefused(write(QStringLiteral("texte.bkp"), withDatabase("pas une base de données").build()),
                  QStringLiteral("pas une base de données lisible"));
    const QString foreign = m_scratch.path() + QStringLiteral("autre.sqlite");
    execute(foreign, QStringLiteral("CREATE TABLE RECETTE (Nom TEXT)"));
    expectRefused(
        write(QStringLiteral("etrangere.bkp"), withDatabase(TestFolders::readFile(foreign)).build()),
        QStringLiteral("n'est pas celle d'un carnet de santé"));
    QByteArray broken = templateBytes();
    for (qsizetype at = 4096 * 3; at < 4096 * 3 + 64; ++at) // a b-tree page's header
        broken[at] = char(0xee);
    expectRefused(write(QStringLiteral("corrompue.bkp"), withDatabase(broken).build()),
                  QStringLiteral("base de données de l'archive"));
    const QString newer = m_scratch.path() + QStringLiteral("recente.mdb");
    TestFolders::copyTemplate(newer);
    execute(newer, QStringLiteral("UPDATE OBJECT_VAL_STR SET VALUE='4.00' WHERE ID_CLASS=-99"));
    expectRefused(write(QStringLiteral("recente.bkp"), withDatabase(TestFolders::readFile(newer)).build()),
                  QStringLiteral("version plus récente"));
    CabBuilder::Cab pictures;
    pictures.add("Doc1.jpg", jpeg(1));
    expectRefused(write(QStringLiteral("images.bkp"), pictures.build()),
                  QStringLiteral("pas de base de données"));
    expectRefused(m_scratch.path() + QStringLiteral("absente.bkp"), QStringLiteral("absente.bkp"));
}

TEST_F(RestoreTest, TenThousandEntriesAreTakenAsTheyComeAndOnlyTheFilesTheRecordsNameWritten)
{
    CabBuilder::Cab cab;
    cab.add("BRIVOLINE.MDB",
            databaseWith(
                {QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (7, 1, 'Radio')"),
                 QStringLiteral("INSERT INTO DOCUMENTFILE (Id, Id_Ref, FileName) VALUES (8, 1, 'cr.txt')")}));
    for (int i = 0; i < 10'000; ++i)
        cab.add(QByteArray("note") + QByteArray::number(i) + ".txt", "x");
    cab.add("DOC7.JPG", jpeg(7)); // as the Windows version may name it
    cab.add("Files\\File8.f", "pièce");
    cab.add("Doc9.jpg", jpeg(9)); // a picture whose row is gone
    const Restore::Result result =
        Restore::run(m_set, write(QStringLiteral("beaucoup.bkp"), cab.build()), m_progress, nullptr);
    EXPECT_EQ(QDir(m_set.imagesFolder()).entryList(QDir::Files), QStringList{QStringLiteral("Doc7.jpg")});
    EXPECT_EQ(QDir(m_set.filesFolder()).entryList(QDir::Files), QStringList{QStringLiteral("File8.f")});
    EXPECT_FALSE(filesUnder(m_scratch.path()).join(u' ').contains(QStringLiteral(".txt")));
    EXPECT_EQ(result.notNamed.size(), 10'001);
    EXPECT_EQ(result.leftOutText(),
              QStringLiteral("Ces fichiers de l'archive n'ont pas été restaurés :\r- 10001 "
                             "fichiers qu'aucune fiche ne nomme : note0.txt, note1.txt, "
                             "note2.txt, note3.txt, note4.txt et 9996 autres"));
}

// A few megabytes that would expand to 4 GB: two entries of 2 GB sharing one
// run of zeros, and a third one that a record names. None of it is
// decompressed; what the records name is kept when it is a picture the codec
// takes; the records can be saved again at once.
TEST_F(RestoreTest, ADecompressionBombIsLeftOutAndTheRecordsCanBeSavedAgain)
{
    CabBuilder::Cab cab;
    cab.msZip = true;
    cab.add("BRIVOLINE.MDB",
            databaseWith(
                {QStringLiteral("INSERT INTO PERSON (Id, Name) VALUES (1, 'Durand')"),
                 QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (1, 1, 'Radio')"),
                 QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (2, 1, 'Texte')"),
                 QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title) VALUES (3, 1, 'Zéros')"),
                 QStringLiteral("INSERT INTO DOCUMENTFILE (Id, Id_Ref, FileName) VALUES (5, 1, 'a.txt')"),
                 QStringLiteral("INSERT INTO DOCUMENTFILE (Id, Id_Ref, FileName) VALUES (6, 1, 'b.txt')")}));
    cab.add("People1.jpg", jpeg(1));
    cab.add("Doc1.jpg", jpeg(2));
    cab.add("Doc2.jpg", QByteArray(5000, 'x'));
    cab.zeroBlocks = 65535 - int((cab.content.size() + 32767) / 32768);
    const quint32 twoGigabytes = quint32(cab.zeroBlocks) * 32768;
    for (const QByteArray& name : {QByteArray("Bomb1.jpg"), QByteArray("Bomb2.jpg"), QByteArray("Doc3.jpg")})
        cab.entries << CabBuilder::Cab::Entry{name, twoGigabytes, cab.zerosOffset()};
    const QByteArray bomb = cab.build();
    ASSERT_LT(bomb.size(), 8'000'000);

    // Plain, then encrypted: the decryption changes neither what is taken
    // nor the bounds, and the sequential reader stops before the bombs.
    QByteArray word("mot de passe");
    const Secret password = Secret::takeBytes(word);
    const Sealed::Key key = Sealed::Key::create(password, Sealed::kLeastCost);
    for (const bool encrypted : {false, true}) {
        SCOPED_TRACE(encrypted ? "encrypted" : "plain");
        const QString archive = encrypted ? sealed(QStringLiteral("bombe-chiffree.bkp"), bomb, key)
                                          : write(QStringLiteral("bombe.bkp"), bomb);
        std::optional<Restore::Encryption> encryption;
        if (encrypted)
            encryption.emplace(Sealed::Header::read(archive), password);
        const Restore::Result result =
            Restore::run(m_set, archive, m_progress, nullptr, encryption ? &*encryption : nullptr);
        SafetyArchive::finish(m_set, m_progress);
        EXPECT_EQ(QDir(m_set.imagesFolder()).entryList(QDir::Files),
                  (QStringList{QStringLiteral("Doc1.jpg"), QStringLiteral("People1.jpg")}));
        EXPECT_EQ(TestFolders::readFile(m_set.imagesFolder() + QStringLiteral("Doc1.jpg")), jpeg(2));
        EXPECT_EQ(result.notNamed, (QStringList{QStringLiteral("Bomb1.jpg"), QStringLiteral("Bomb2.jpg")}));
        QStringList refused = result.refusedPictures;
        refused.sort();
        EXPECT_EQ(refused, (QStringList{QStringLiteral("Doc2.jpg"), QStringLiteral("Doc3.jpg")}));
        EXPECT_TRUE(
            result.leftOutText().contains(QStringLiteral("2 fichiers qu'aucune fiche ne nomme : Bomb1.jpg, "
                                                         "Bomb2.jpg")));
        EXPECT_TRUE(result.leftOutText().contains(
            QStringLiteral("2 images qui ne sont pas des images JPEG lisibles")));
        EXPECT_EQ(ArchiveFile::isEncrypted(result.safetyArchive), encrypted);
        EXPECT_LT(bytesWrittenBesides(archive), 20'000'000) << "what was left out never reached the disk";
        BackupArchive::backup(m_set, m_set.backupFolder() + QStringLiteral("ensuite.bkp"), m_progress);
    }

    // Attached files the records name, sharing their bytes: refused whole.
    CabBuilder::Cab shared = cab;
    shared.entries.resize(4);
    for (const QByteArray& name : {QByteArray("File5.f"), QByteArray("File6.f")})
        shared.entries << CabBuilder::Cab::Entry{name, twoGigabytes / 2, cab.zerosOffset()};
    m_before = snapshot(m_set);
    expectRefused(write(QStringLiteral("partage.bkp"), shared.build()),
                  QStringLiteral("partagent les mêmes données"));
    const QString sealedShared = sealed(QStringLiteral("partage-chiffree.bkp"), shared.build(), key);
    Restore::Encryption encryption(Sealed::Header::read(sealedShared), password);
    expectRefused(sealedShared, QStringLiteral("partagent les mêmes données"), &encryption);
}

// When the database in use is damaged is when a restore is needed most: it
// goes ahead, and the damaged file is kept as it was in the safety archive.
TEST_F(RestoreTest, ADamagedDatabaseInUseIsReplacedAndKeptAsItWas)
{
    const QString archive = otherHousehold();
    QByteArray damaged = TestFolders::readFile(m_set.databaseFile());
    for (qsizetype at = 4096 * 3; at < 4096 * 3 + 64; ++at)
        damaged[at] = char(0xee);
    TestFolders::writeFile(m_set.databaseFile(), damaged);
    const QString safety = Restore::run(m_set, archive, m_progress, nullptr).safetyArchive;
    SafetyArchive::finish(m_set, m_progress);
    EXPECT_EQ(snapshot(m_set).withoutHistory(), m_archived.withoutHistory());
    const QString out = m_scratch.make(QStringLiteral("safety"));
    run(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out, safety});
    EXPECT_EQ(TestFolders::readFile(out + QStringLiteral("BRIVOLINE.MDB")), damaged);
}

// An archive made by gcab of a database of the older layout: restored, then
// brought up to date where it was staged, its pictures leaving the rows.
TEST_F(RestoreTest, GcabArchiveOfAnOlderDatabaseIsUpgradedOnRestore)
{
    const QString made = m_scratch.make(QStringLiteral("gcab"));
    OlderLayout::create(made + QStringLiteral("BRIVOLINE.MDB"), {3, 320, 240});
    TestFolders::writeFile(made + QStringLiteral("File5.f"), "pièce jointe");
    const QString archive = m_scratch.path() + QStringLiteral("ancienne.bkp");
    run(QStringLiteral("gcab"),
        {QStringLiteral("-c"), QStringLiteral("-z"), archive, QStringLiteral("BRIVOLINE.MDB"),
         QStringLiteral("File5.f")},
        made);
    const Restore::Result result = Restore::run(m_set, archive, m_progress, nullptr);
    SafetyArchive::finish(m_set, m_progress);

    EXPECT_EQ(integrityOf(m_set.databaseFile()), QStringLiteral("ok"));
    const Snapshot now = snapshot(m_set);
    EXPECT_EQ(result.notNamed, QStringList{QStringLiteral("File5.f")}) << "no row of that layout names it";
    EXPECT_EQ(now.tables.value(QStringLiteral("OBJECT_VAL_STR")).filter(QStringLiteral("-99|-99|-99")),
              QStringList{QStringLiteral("-99|-99|-99|") + Product::databaseVersion});
    // The records of the archive are found, built into the index on the way.
    EXPECT_EQ(
        valueOf(m_set.databaseFile(),
                QStringLiteral("SELECT count(*) FROM SEARCH_INDEX WHERE SEARCH_INDEX MATCH 'durand zoe'")),
        QStringLiteral("1"));
    int pictures = 0;
    for (auto it = now.files.cbegin(); it != now.files.cend(); ++it)
        pictures += it.key().startsWith(QLatin1String("Images/Doc")) && it.value().startsWith("\xFF\xD8\xFF");
    EXPECT_EQ(pictures, 3) << "the documents' pictures left their rows for files";
    EXPECT_FALSE(now.files.contains(QStringLiteral("Files/File5.f")));
    EXPECT_TRUE(m_progress.tasks.contains(QStringLiteral("Mise à jour de la base de données ...")));
    EXPECT_TRUE(
        TestFolders::readFile(m_set.dataFolder + QStringLiteral("Maj.Log")).contains("MISE A JOUR TERMINE"));
    const QStringList history = historyOf(m_set.databaseFile());
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history.first(), BackupHistory::kRestore + QLatin1Char('|') + archive);
    // The state before: in the safety archive, which cabextract reads.
    const QString safety = history.last().section(QLatin1Char('|'), 1);
    EXPECT_TRUE(
        run(QStringLiteral("cabextract"), {QStringLiteral("-t"), safety}).contains("All done, no errors"));
}

// A crash in the middle of the swap: the next start finishes it.
TEST_F(RestoreTest, ASwapCutShortIsFinishedByTheNextStart)
{
    const QString archive = otherHousehold();
    for (const int stop : {1, 3, 5, 8, 10, 12}) {
        SCOPED_TRACE(stop);
        m_progress = Progress{};
        m_progress.stopAtSwapBar = stop;
        EXPECT_THROW(Restore::run(m_set, archive, m_progress, nullptr), Interrupted);
        EXPECT_TRUE(QDir(Restore::stagingFolder(m_set)).exists());
        Restore::finishInterrupted(m_set);
        EXPECT_FALSE(QDir(Restore::stagingFolder(m_set)).exists());
        EXPECT_EQ(snapshot(m_set).withoutHistory(), m_archived.withoutHistory());
        EXPECT_EQ(integrityOf(m_set.databaseFile()), QStringLiteral("ok"));
        // Back to the household before, for the next round.
        QDir(m_set.databaseFolder).removeRecursively();
        QDir(m_set.backupFolder()).removeRecursively();
        populate(m_set, 2, 4, 2);
    }
}

// What a restore replaces is set aside by renames and archived afterwards:
// until then the history names no safety archive; a kill while it is
// written leaves the data set aside, and the next start writes it,
// encrypted under the same password with the key kept beside the data
// (never the password), lists it and only then removes the data. Restoring
// it undoes the restore.
TEST_F(RestoreTest, SetAsideDataOutliveAKillUntilTheirSafetyArchiveIsWrittenAndListed)
{
    QByteArray word("mot de passe de la famille");
    const Secret password = Secret::takeBytes(word);
    const Sealed::Key key = Sealed::Key::create(password, Sealed::kLeastCost);
    const QString archive = otherHousehold(12, &key);
    Restore::Encryption encryption(Sealed::Header::read(archive), password);
    const QString safety = Restore::run(m_set, archive, m_progress, nullptr, &encryption).safetyArchive;
    EXPECT_EQ(snapshot(m_set).withoutHistory(), m_archived.withoutHistory());
    EXPECT_EQ(historyOf(m_set.databaseFile()),
              QStringList{BackupHistory::kRestore + QLatin1Char('|') + archive});
    EXPECT_FALSE(QFileInfo::exists(safety));
    const QStringList pending = SafetyArchive::pending(m_set);
    ASSERT_EQ(pending.size(), 1);
    EXPECT_EQ(SafetyArchive::archiveOf(pending.first()), safety);
    EXPECT_EQ(snapshotOf(pending.first() + m_set.databaseName, pending.first()), m_before)
        << "the data as they were, set aside";
    const QString kept = pending.first() + QStringLiteral(".cle");
    struct stat rights = {};
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &rights), 0);
    EXPECT_EQ(rights.st_mode & 0777, 0600u);
    EXPECT_FALSE(TestFolders::readFile(kept).contains("mot de passe"));

    const pid_t child = ::fork();
    if (child == 0) {
        // Written, not yet checked nor in place.
        struct KillBeforeTheCheck final : MaintenanceProgress
        {
            void task(const QString& text) override
            {
                if (text.startsWith(QStringLiteral("Vérification")))
                    ::raise(SIGKILL);
            }
            void bar(qint64, qint64) override {}
        } killer;
        SafetyArchive::finish(m_set, killer);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(QFileInfo::exists(BackupArchive::partialPath(safety)));
    EXPECT_FALSE(QFileInfo::exists(safety));
    EXPECT_EQ(historyOf(m_set.databaseFile()).size(), 1);
    EXPECT_EQ(SafetyArchive::pending(m_set), pending);

    EXPECT_EQ(Leftovers::clearAtStart(m_set), QString());
    EXPECT_TRUE(SafetyArchive::pending(m_set).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(SafetyArchive::pendingRoot(m_set)));
    EXPECT_FALSE(QFileInfo::exists(BackupArchive::partialPath(safety)));
    EXPECT_EQ(historyOf(m_set.databaseFile()),
              (QStringList{BackupHistory::kRestore + QLatin1Char('|') + archive,
                           BackupHistory::kSafetyBackup + QLatin1Char('|') + safety}));
    ASSERT_TRUE(ArchiveFile::isEncrypted(safety));
    const Sealed::Header header = Sealed::Header::read(safety);
    QByteArray wrong("mot de passe de la voisine");
    EXPECT_THROW(Sealed::Key::open(header, Secret::takeBytes(wrong)), Sealed::WrongPassword);
    EXPECT_FALSE(key.opens(header)) << "a salt of its own";
    Restore::Encryption undoing(header, password);
    Restore::run(m_set, safety, m_progress, nullptr, &undoing);
    EXPECT_EQ(snapshot(m_set).withoutHistory(), m_before.withoutHistory());
}

// A restore cut short in its swap, a backup killed while it wrote its
// archive away from Backup/, the compaction's scratch copy with its journal,
// partial archives of earlier versions: after the next start the swap is
// complete and nothing of it is left; files of other names stay, and what
// cannot be removed is said.
TEST_F(RestoreTest, TheNextStartClearsWhatInterruptedOperationsLeft)
{
    m_progress.stopAtSwapBar = 3;
    EXPECT_THROW(Restore::run(m_set, otherHousehold(), m_progress, nullptr), Interrupted);

    RecordSet other = m_set;
    other.databaseFolder = m_scratch.make(QStringLiteral("autres"));
    populate(other, 1, 2, 1);
    const QString key = m_scratch.make(QStringLiteral("cle"));
    const pid_t child = ::fork();
    if (child == 0) {
        struct KillAtFirstReport final : MaintenanceProgress
        {
            void task(const QString&) override { ::raise(SIGKILL); }
            void bar(qint64, qint64) override {}
        } killer;
        BackupArchive::write(other, key + QStringLiteral("famille.bkp"), killer);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(QFile::exists(key + QStringLiteral("famille.bkp.partial")));

    const QString scratch = Compaction::scratchFileFor(m_set.databaseFile());
    TestFolders::writeFile(scratch, "la moitié d'une copie");
    TestFolders::writeFile(scratch + QStringLiteral("-journal"), "son journal");
    TestFolders::writeFile(
        m_set.backupFolder() + QStringLiteral("BRIVOLINE_ACCESS_BACKUP_01_02_2025.bkp.partial"), "x");
    TestFolders::writeFile(m_set.backupFolder() + QStringLiteral("mes_notes.partial"), "à moi");

    EXPECT_EQ(Leftovers::clearAtStart(m_set), QString());
    EXPECT_EQ(snapshot(m_set).withoutHistory(), m_archived.withoutHistory());
    const QRegularExpression leftover(
        QStringLiteral("\\.partial$|~|\\.restauration/|avant-restauration/|en-cours"));
    EXPECT_EQ(filesUnder(m_scratch.path()).filter(leftover),
              QStringList{QStringLiteral("home/Backup/mes_notes.partial")});

    TestFolders::writeFile(scratch, "la moitié d'une copie");
    const QString access = QFileInfo(scratch).absolutePath();
    ::chmod(QFile::encodeName(m_scratch.path()).constData(), 0755);
    ::chmod(QFile::encodeName(access).constData(), 0555);
    const int said = TestFolders::asUnprivilegedUser([&] {
        const QString staying = Leftovers::clearAtStart(m_set);
        return staying.contains(QStringLiteral("BRIVOLINE~.MDB")) &&
                       staying.contains(QStringLiteral("accès refusé"))
                   ? 1
                   : 0;
    });
    ::chmod(QFile::encodeName(access).constData(), 0755);
    ASSERT_NE(said, -1) << "could not run as an ordinary user";
    EXPECT_EQ(said, 1);
}

TEST_F(RestoreTest, FullDisksStopEveryOperationWithTheDataAsTheyWere)
{
    const QString archive = otherHousehold(40);
    const QString mounted = m_scratch.make(QStringLiteral("petit"));
    SmallDisk disk(mounted, 3 * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const RecordSet small = recordSetIn(mounted);
    populate(small, 2, 3, 1);
    const Snapshot state = snapshot(small);
    const QByteArray database = TestFolders::readFile(small.databaseFile());
    disk.fill(256 * 1024);

    // The archive does not fit beside the data: refused before extracting.
    try {
        Restore::run(small, archive, m_progress, nullptr);
        ADD_FAILURE() << "restored on a full disk";
    } catch (const Restore::NotRestored& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Espace disque insuffisant"))) << e.text().toStdString();
    }
    EXPECT_EQ(snapshot(small), state);
    EXPECT_FALSE(QDir(Restore::stagingFolder(small)).exists());

    // No room for a compacted copy: the database stays, whole.
    disk.release();
    disk.fill(16 * 1024);
    try {
        Compaction::compactInPlace(small.databaseFile());
        ADD_FAILURE() << "compacted on a full disk";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("le disque est plein"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(small.databaseFile())) << e.text().toStdString();
        EXPECT_EQ(TestFolders::englishIn(e.text()), QString()) << e.text().toStdString();
    }
    EXPECT_EQ(TestFolders::readFile(small.databaseFile()), database);
    EXPECT_FALSE(QFile::exists(Compaction::scratchFileFor(small.databaseFile())));

    // A backup onto the full disk: an earlier archive of that name stays.
    disk.release();
    const QString target = small.backupFolder() + QStringLiteral("famille.bkp");
    TestFolders::writeFile(target, "ancienne");
    disk.fill();
    try {
        BackupArchive::write(m_set, target, m_progress);
        ADD_FAILURE() << "written on a full disk";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("le disque est plein"))) << e.text().toStdString();
    }
    EXPECT_EQ(TestFolders::readFile(target), QByteArray("ancienne"));
    EXPECT_FALSE(QFile::exists(target + QStringLiteral(".partial")));

    // Room for the staged archive but none for the safety archive.
    disk.release();
    const QString backups = m_set.backupFolder();
    SmallDisk tiny(backups, 16 * 1024);
    ASSERT_TRUE(tiny.mounted());
    const Snapshot home = snapshot(m_set);
    try {
        Restore::run(m_set, archive, m_progress, nullptr);
        ADD_FAILURE() << "restored without its safety archive";
    } catch (const Restore::NotRestored& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("le disque est plein"))) << e.text().toStdString();
    }
    EXPECT_EQ(snapshot(m_set), home);
    EXPECT_FALSE(QDir(Restore::stagingFolder(m_set)).exists());
    EXPECT_TRUE(QDir(backups).entryList(QDir::Files).isEmpty());
}

// A "Backup" folder the user may not write to: the backup says so, and a
// restore, which could not keep the current data first, changes nothing.
TEST_F(RestoreTest, ReadOnlyBackupFolderStopsBackupAndRestore)
{
    const QString archive = otherHousehold();
    const QString root = m_scratch.path();
    ::chmod(QFile::encodeName(root).constData(), 0755);
    QStringList owned = filesUnder(m_set.dataFolder);
    owned << QString();
    for (const QString& f : std::as_const(owned))
        ::chown(QFile::encodeName(m_set.dataFolder + f).constData(), TestFolders::kNobody,
                TestFolders::kNobody);
    for (const QString& folder : {m_set.databaseFolder, m_set.imagesFolder(), m_set.filesFolder(),
                                  m_set.databaseFolder + QStringLiteral("Access/")})
        ::chown(QFile::encodeName(folder).constData(), TestFolders::kNobody, TestFolders::kNobody);
    ::chown(QFile::encodeName(m_set.backupFolder()).constData(), 0, 0);
    ::chmod(QFile::encodeName(m_set.backupFolder()).constData(), 0555);
    ::chmod(QFile::encodeName(archive).constData(), 0644);

    const int failures = TestFolders::asUnprivilegedUser([&] {
        int wrong = 0;
        Progress progress;
        try {
            BackupArchive::backup(m_set, m_set.backupFolder() + QStringLiteral("x.bkp"), progress);
            ++wrong;
        } catch (const AppError& e) {
            wrong += !e.text().contains(QStringLiteral("accès refusé"));
        }
        try {
            Restore::run(m_set, archive, progress, nullptr);
            ++wrong;
        } catch (const Restore::NotRestored& e) {
            wrong += !e.text().contains(QStringLiteral("accès refusé"));
        }
        return wrong;
    });
    ASSERT_NE(failures, -1) << "could not run as an ordinary user";
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(snapshot(m_set).withoutHistory(), m_before.withoutHistory());
    EXPECT_TRUE(QDir(m_set.backupFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(QDir(Restore::stagingFolder(m_set)).exists());
}

} // namespace
