// The Windows version's records taken in by a restore and by the import:
// a backup archive of the Windows version (its Jet file inside) restored,
// a copied Windows data folder imported, both with the safety archive of a
// restore; refusals and a cancel change nothing.
#include "BackupHistory.h"
#include "JetFile.h"
#include "JetHousehold.h"
#include "JetSamples.h"
#include "MaintenanceSamples.h"
#include "Product.h"
#include "Restore.h"
#include "SafetyArchive.h"
#include "TestFolders.h"
#include "WindowsDatabase.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>

using namespace MaintenanceSamples;

namespace {

class Progress final : public MaintenanceProgress
{
public:
    void task(const QString& text) override { tasks << text; }
    void bar(qint64, qint64) override {}
    bool cancelled() const override
    {
        return !stopAt.isEmpty() && !tasks.isEmpty() && tasks.last().startsWith(stopAt);
    }
    QStringList tasks;
    QString stopAt;
};

class WindowsImportTest : public ::testing::Test
{
protected:
    WindowsImportTest()
    {
        populate(m_set, 2, 3, 1);
        m_before = snapshot(m_set);
    }
    // A Windows household of the layout given, as a Jet file.
    QString windowsDatabase(const QString& path, bool older, const JetWriter::Options& options = {})
    {
        const QString source = m_scratch.path() + QStringLiteral("source.db");
        QFile::remove(source);
        older ? JetSamples::olderHousehold(source) : JetSamples::currentHousehold(source);
        QDir().mkpath(QFileInfo(path).path());
        JetHousehold::copy(source, path, options);
        return path;
    }
    void expectNothingChanged()
    {
        EXPECT_EQ(snapshot(m_set), m_before);
        EXPECT_FALSE(QFileInfo::exists(Restore::stagingFolder(m_set)));
        EXPECT_TRUE(QDir(m_set.backupFolder()).entryList(QDir::Files).isEmpty()) << "no safety archive left";
    }

    TestFolders::Scratch m_scratch;
    RecordSet m_set = recordSetIn(m_scratch.make(QStringLiteral("home")));
    Snapshot m_before;
    Progress m_progress;
};

} // namespace

// A backup archive of the Windows version, as gcab writes cabinets: its Jet
// database of the 3.20 layout converted, brought up to date with its
// pictures out of the rows, and checked, like any restore; a file no record
// names is left out.
TEST_F(WindowsImportTest, WindowsBackupArchiveRestoredWithItsDatabaseConverted)
{
    const QString made = m_scratch.make(QStringLiteral("windows"));
    windowsDatabase(made + QStringLiteral("BRIVOLINE.MDB"), true);
    TestFolders::writeFile(made + QStringLiteral("File7.f"), "pièce jointe");
    const QString archive = m_scratch.path() + QStringLiteral("BRIVOLINE_ACCESS_BACKUP_08_12_2019.bkp");
    run(QStringLiteral("gcab"),
        {QStringLiteral("-c"), QStringLiteral("-z"), archive, QStringLiteral("BRIVOLINE.MDB"),
         QStringLiteral("File7.f")},
        made);
    const Restore::Result result = Restore::run(m_set, archive, m_progress, nullptr);

    EXPECT_EQ(integrityOf(m_set.databaseFile()), QStringLiteral("ok"));
    EXPECT_FALSE(Jet::looksLikeJet(m_set.databaseFile()));
    EXPECT_EQ(valueOf(m_set.databaseFile(),
                      QStringLiteral("SELECT VALUE FROM OBJECT_VAL_STR WHERE ID_CLASS = -99")),
              Product::databaseVersion);
    EXPECT_EQ(valueOf(m_set.databaseFile(), QStringLiteral("SELECT Name FROM PERSON WHERE Id = 4")),
              QStringLiteral("Cœur-de-Lion"));
    EXPECT_EQ(
        valueOf(m_set.databaseFile(), QStringLiteral("SELECT length(Previous) FROM PERSON WHERE Id = 4")),
        QStringLiteral("9000"));
    const Snapshot now = snapshot(m_set);
    EXPECT_TRUE(now.files.value(QStringLiteral("Images/Doc2.jpg")).startsWith("\xFF\xD8\xFF"));
    EXPECT_TRUE(now.files.value(QStringLiteral("Images/People1.jpg")).startsWith("\xFF\xD8\xFF"));
    // No record of the archive names it: left out, and said.
    EXPECT_FALSE(now.files.contains(QStringLiteral("Files/File7.f")));
    EXPECT_EQ(result.notNamed, QStringList{QStringLiteral("File7.f")});
    EXPECT_TRUE(m_progress.tasks.contains(QStringLiteral("Conversion de la table PERSON")));
    SafetyArchive::finish(m_set, m_progress);
    const QStringList history = historyOf(m_set.databaseFile());
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history.first(), BackupHistory::kRestore + QLatin1Char('|') + archive);
}

// A Windows data folder copied over: its database (in Access/) and the
// pictures and attached files beside it take the place of the records, which
// the safety archive keeps. The Windows folder is only read.
TEST_F(WindowsImportTest, WindowsFolderImportedInPlaceOfTheRecords)
{
    const QString windows = m_scratch.make(QStringLiteral("Windows/Data"));
    const QString jet = windowsDatabase(windows + QStringLiteral("Access/BRIVOLINE.MDB"), false);
    TestFolders::writeFile(windows + QStringLiteral("Images/Doc1.jpg"), jpeg(7));
    TestFolders::writeFile(windows + QStringLiteral("Images/Lisez-moi.txt"), "pas une image");
    TestFolders::writeFile(windows + QStringLiteral("Files/File3.f"), "ordonnance");
    const QStringList windowsFiles = filesUnder(windows);
    const QByteArray jetBytes = TestFolders::readFile(jet);
    ASSERT_EQ(WindowsDatabase::filesFolderBeside(jet), windows);

    const QString safety =
        Restore::importWindowsDatabase(m_set, jet, windows, m_progress, nullptr).safetyArchive;
    SafetyArchive::finish(m_set, m_progress);

    EXPECT_EQ(TestFolders::readFile(jet), jetBytes);
    EXPECT_EQ(filesUnder(windows), windowsFiles);
    EXPECT_EQ(valueOf(m_set.databaseFile(),
                      QStringLiteral(
                          "SELECT group_concat(ForeName) FROM (SELECT ForeName FROM PERSON ORDER BY Id)")),
              QStringLiteral("Élise,Zoé"));
    const Snapshot now = snapshot(m_set);
    QStringList files = now.files.keys();
    EXPECT_EQ(files, (QStringList{QStringLiteral("Files/File3.f"), QStringLiteral("Images/Doc1.jpg")}));
    EXPECT_EQ(now.files.value(QStringLiteral("Images/Doc1.jpg")), jpeg(7));
    const QStringList history = historyOf(m_set.databaseFile());
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history.first(), BackupHistory::kWindowsImport + QLatin1Char('|') + jet);
    EXPECT_EQ(history.last(), BackupHistory::kSafetyBackup + QLatin1Char('|') + safety);
    // The records before the import, whole in the safety archive.
    EXPECT_TRUE(
        run(QStringLiteral("cabextract"), {QStringLiteral("-t"), safety}).contains("All done, no errors"));
}

// A file the import cannot take, and a cancel during the conversion: the
// records as they were, no staging and no safety archive left.
TEST_F(WindowsImportTest, RefusedOrCancelledImportChangesNothing)
{
    const QString windows = m_scratch.make(QStringLiteral("Windows"));
    const QString locked = windowsDatabase(windows + QStringLiteral("protegee.mdb"), false,
                                           JetWriter::Options{QStringLiteral("secret"), false, true, 45000});
    try {
        Restore::importWindowsDatabase(m_set, locked, windows, m_progress, nullptr);
        ADD_FAILURE() << "imported";
    } catch (const Restore::NotRestored& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("protégée par un mot de passe")))
            << qPrintable(e.text());
    }
    expectNothingChanged();

    const QString jet = windowsDatabase(windows + QStringLiteral("BRIVOLINE.MDB"), true);
    m_progress.stopAt = QStringLiteral("Conversion de la table ACTION");
    EXPECT_THROW(Restore::importWindowsDatabase(m_set, jet, windows, m_progress, nullptr),
                 Restore::NotRestored);
    expectNothingChanged();
    m_progress.stopAt = QStringLiteral("Mise à jour");
    EXPECT_THROW(Restore::importWindowsDatabase(m_set, jet, windows, m_progress, nullptr),
                 Restore::NotRestored);
    expectNothingChanged();
}
