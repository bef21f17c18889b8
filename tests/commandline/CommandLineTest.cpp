// The real program run from a terminal: no display at all, a data folder of
// its own, real archives checked with cabextract.
#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "Bitmap.h"
#include "Cabinet.h"
#include "JpegIO.h"
#include "RecordsLock.h"
#include "SealedFormat.h"
#include "Secret.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace {

using TestFolders::exists;
using TestFolders::readFile;
using TestFolders::writeFile;

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

Outcome brivoline(const QStringList& arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "BRIVOLINE_MESSAGE_LOG"})
        env.remove(QString::fromLatin1(display));
    p.setProcessEnvironment(env);
    p.start(TestFolders::programFolder() + QStringLiteral("brivoline"), arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    Outcome result;
    result.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    result.out = QString::fromUtf8(p.readAllStandardOutput());
    result.err = QString::fromUtf8(p.readAllStandardError());
    return result;
}

// One statement on a database file, on a connection of its own.
QVariant sql(const QString& file, const QString& statement)
{
    QVariant value;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(statement)) << statement.toStdString();
        if (q.next())
            value = q.value(0);
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

void writeJpeg(const QString& path)
{
    Bitmap picture(64, 48);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width() * 3; ++x)
            picture.scanLine(y)[x] = std::uint8_t(x * 7 + y * 3);
    SaveJpegFile(picture, path, 90);
}

// A data folder as the program leaves it, with a person who has a photo, a
// picture document and an attached file.
class Household : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_data = m_scratch.make(QStringLiteral("donnees"));
        for (const char* sub : {"Backup", "Data/Images", "Data/Files"})
            m_scratch.make(QStringLiteral("donnees/") + QString::fromLatin1(sub));
        QFile::copy(TestFolders::programFolder() + QStringLiteral("Ressources/DB/db.ini"),
                    m_data + QStringLiteral("db.ini"));
        TestFolders::copyTemplate(database());
        sql(database(),
            QStringLiteral("INSERT INTO PERSON (Id, Name, ForeName, ImgMini1) VALUES (1, 'Dupont', 'Jean', "
                           "x'424d00')"));
        sql(database(),
            QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_Ref, Title, DoType) VALUES (1, 1, 'Radio', 1)"));
        sql(database(),
            QStringLiteral("INSERT INTO DOCUMENTFILE (Id, Id_Ref, FileName, DoType) VALUES (1, 1, "
                           "'lettre.txt', 1)"));
        writeJpeg(images() + QStringLiteral("People1.jpg"));
        writeJpeg(images() + QStringLiteral("Doc1.jpg"));
        writeFile(m_scratch.path() + QStringLiteral("lettre.txt"), "Cher docteur");
        Cabinet::create(m_data + QStringLiteral("Data/Files/File1.f"),
                        {{m_scratch.path() + QStringLiteral("lettre.txt"), QStringLiteral("lettre.txt")}});
    }

    QString database() const { return m_data + QStringLiteral("Data/Access/BRIVOLINE.MDB"); }
    QString images() const { return m_data + QStringLiteral("Data/Images/"); }
    Outcome run(QStringList arguments) const
    {
        return brivoline(QStringList{QStringLiteral("--data"), m_data} + arguments);
    }
    qint64 backupRows() const
    {
        return sql(database(), QStringLiteral("SELECT count(*) FROM BACKUP WHERE Description = '%1'")
                                   .arg(BackupHistory::kBackup))
            .toLongLong();
    }
    void damageDatabase() const
    {
        const qint64 page =
            sql(database(), QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='ACTION'"))
                .toLongLong();
        const qint64 size = sql(database(), QStringLiteral("PRAGMA page_size")).toLongLong();
        ASSERT_GT(page, 1);
        QFile f(database());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek((page - 1) * size);
        f.write(QByteArray(int(size), '\xa5'));
    }
    static QStringList filesIn(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static void expectSoundArchive(const QString& archive)
    {
        QProcess cabextract;
        cabextract.start(QStringLiteral("cabextract"), {QStringLiteral("-t"), archive});
        ASSERT_TRUE(cabextract.waitForFinished(30000));
        const QString listing = QString::fromUtf8(cabextract.readAllStandardOutput());
        EXPECT_EQ(cabextract.exitCode(), 0) << listing.toStdString();
        for (const char* entry : {"BRIVOLINE.MDB", "People1.jpg", "Doc1.jpg", "File1.f"})
            EXPECT_TRUE(listing.contains(QString::fromLatin1(entry))) << entry << listing.toStdString();
    }

    TestFolders::Scratch m_scratch;
    QString m_data;
};

TEST(CommandLine, EachOptionHasItsExitStatusWithNoDisplayAtAll)
{
    const Outcome help = brivoline({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("Codes de retour")));
    for (const char* option : {"--sauvegarde", "--rotation", "--verifier", "--exporter-fhir", "--data"})
        EXPECT_TRUE(help.out.contains(QString::fromLatin1(option))) << option;
    const Outcome version = brivoline({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.trimmed(), QStringLiteral("Brivoline 3.51"));

    struct Refused
    {
        QStringList arguments;
        int status;
        const char* said;
    };
    TestFolders::Scratch scratch;
    const QString empty = scratch.make(QStringLiteral("vide"));
    const Refused refused[] = {
        {{QStringLiteral("--inconnue")}, 2, "Option inconnue : --inconnue"},
        {{QStringLiteral("--sauvegarde")}, 2, "attend une valeur"},
        {{QStringLiteral("--data"), empty}, 2, "Aucune action"},
        {{QStringLiteral("--verifier"), QStringLiteral("--sauvegarde"), empty}, 2, "Une seule action"},
        {{QStringLiteral("--sauvegarde"), scratch.path() + QStringLiteral("a.bkp"),
          QStringLiteral("--rotation"), QStringLiteral("3")},
         2,
         "demande un dossier"},
        {{QStringLiteral("--sauvegarde"), empty, QStringLiteral("--rotation"), QStringLiteral("0")},
         2,
         "au moins 1"},
        {{QStringLiteral("--data"), scratch.path() + QStringLiteral("absent"), QStringLiteral("--verifier")},
         5,
         "introuvable"},
        {{QStringLiteral("--data"), empty, QStringLiteral("--check")}, 5, "db.ini y manque"},
    };
    for (const Refused& r : refused) {
        const Outcome outcome = brivoline(r.arguments);
        EXPECT_EQ(outcome.status, r.status)
            << r.arguments.join(' ').toStdString() << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(r.said))) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty());
    }
    // A refused command creates nothing.
    EXPECT_TRUE(QDir(empty).isEmpty());
}

TEST_F(Household, CheckReportsSoundRecordsThenEachFault)
{
    writeFile(images() + QStringLiteral("Doc77.jpg"), "orphelin");
    Outcome check = run({QStringLiteral("--verifier")});
    EXPECT_EQ(check.status, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.contains(QStringLiteral("Base de données : intègre.")));
    EXPECT_TRUE(
        check.out.contains(QStringLiteral("Images et fichiers joints : 3, tous présents et lisibles.")));
    // A file no row names is listed, not a fault.
    EXPECT_TRUE(check.out.contains(QStringLiteral("  Images/Doc77.jpg")));
    EXPECT_TRUE(check.out.contains(QStringLiteral("Dernière sauvegarde : aucune")));
    EXPECT_TRUE(check.out.contains(QStringLiteral("Résultat : aucun problème.")));

    QFile::remove(images() + QStringLiteral("Doc1.jpg"));
    const QByteArray photo = readFile(images() + QStringLiteral("People1.jpg"));
    writeFile(images() + QStringLiteral("People1.jpg"), photo.left(photo.size() / 2));
    check = run({QStringLiteral("--check")});
    EXPECT_EQ(check.status, 4);
    EXPECT_TRUE(check.out.contains(QStringLiteral("Manquant : Images/Doc1.jpg (image « Radio »).")));
    EXPECT_TRUE(
        check.out.contains(QStringLiteral("Illisible : Images/People1.jpg (photo de « Dupont Jean »)")))
        << check.out.toStdString();
    EXPECT_TRUE(check.out.contains(QStringLiteral("Résultat : 2 problèmes.")));
    EXPECT_TRUE(TestFolders::englishIn(check.out).isEmpty()) << check.out.toStdString();
}

TEST_F(Household, CheckFindsADamagedDatabaseAndLeavesItAsItWas)
{
    damageDatabase();
    const QByteArray before = readFile(database());
    const Outcome check = run({QStringLiteral("--verifier")});
    EXPECT_EQ(check.status, 4) << check.out.toStdString();
    EXPECT_TRUE(check.out.contains(QStringLiteral("Base de données endommagée"))) << check.out.toStdString();
    EXPECT_EQ(readFile(database()), before);
    EXPECT_FALSE(exists(database() + QStringLiteral(".lock")));
}

TEST_F(Household, BackupIsTheVerifiedArchiveRecordedInTheHistory)
{
    const QString target = m_scratch.path() + QStringLiteral("famille");
    const Outcome backup = run({QStringLiteral("--sauvegarde"), target});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    expectSoundArchive(target + QStringLiteral(".bkp"));
    EXPECT_EQ(sql(database(), QStringLiteral("SELECT Path FROM BACKUP")).toString(),
              target + QStringLiteral(".bkp"));
    EXPECT_TRUE(run({QStringLiteral("--verifier")}).out.contains(QStringLiteral("famille.bkp")));

    // Into a folder, under the name the window proposes; a file that is no
    // archive is never replaced.
    const QString folder = m_scratch.make(QStringLiteral("cle"));
    ASSERT_EQ(run({QStringLiteral("--backup"), folder}).status, 0);
    expectSoundArchive(BackupArchive::proposedPathIn(folder, QDate::currentDate()));
    writeFile(m_scratch.path() + QStringLiteral("notes.bkp"), "mes notes");
    const Outcome refused =
        run({QStringLiteral("--sauvegarde"), m_scratch.path() + QStringLiteral("notes.bkp")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(readFile(m_scratch.path() + QStringLiteral("notes.bkp")), "mes notes");
}

TEST_F(Household, BackupIsRefusedWhileAnotherSessionHoldsTheRecords)
{
    RecordsLock held(database());
    ASSERT_TRUE(held.acquire());
    const QString target = m_scratch.path() + QStringLiteral("famille.bkp");
    const Outcome backup = run({QStringLiteral("--sauvegarde"), target});
    EXPECT_EQ(backup.status, 3);
    EXPECT_TRUE(backup.err.contains(QString::number(::getpid()))) << backup.err.toStdString();
    EXPECT_FALSE(exists(target));
    EXPECT_EQ(backupRows(), 0);
}

TEST_F(Household, BackupOntoAFullDiskLeavesNoPartialFile)
{
    const QString folder = m_scratch.make(QStringLiteral("petit"));
    SmallDisk disk(folder, 8 * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    disk.fill(4096);
    const QStringList filled = filesIn(folder);
    const QByteArray records = readFile(images() + QStringLiteral("Doc1.jpg"));
    const Outcome backup =
        run({QStringLiteral("--sauvegarde"), folder, QStringLiteral("--rotation"), QStringLiteral("1")});
    EXPECT_EQ(backup.status, 1);
    EXPECT_TRUE(backup.err.contains(QStringLiteral("La sauvegarde n'a pas été faite")))
        << backup.err.toStdString();
    EXPECT_EQ(filesIn(folder), filled);
    EXPECT_FALSE(exists(m_data + QStringLiteral(".sauvegarde-en-cours")));
    EXPECT_EQ(readFile(images() + QStringLiteral("Doc1.jpg")), records);
}

TEST_F(Household, RotationKeepsExactlyTheNewestOfTheProgramsArchives)
{
    const QString folder = m_scratch.make(QStringLiteral("nuit"));
    ASSERT_EQ(run({QStringLiteral("--sauvegarde"), folder}).status, 0);
    const QString today = BackupArchive::proposedPathIn(folder, QDate::currentDate());
    const QByteArray archive = readFile(today);
    QFile::remove(today);
    for (int daysBack : {9, 3, 12, 1, 30})
        writeFile(BackupArchive::proposedPathIn(folder, QDate::currentDate().addDays(-daysBack)), archive);
    // Made on a day the clock was set ahead: tonight's still counts as the newest.
    const QString ahead = BackupArchive::proposedPathIn(folder, QDate::currentDate().addDays(40));
    writeFile(ahead, archive);
    const QStringList foreign = {QStringLiteral("BRIVOLINE_ACCESS_BACKUP_1_2_2020.bkp"),
                                 QStringLiteral("BRIVOLINE_ACCESS_BACKUP_31_02_2020.bkp"),
                                 QStringLiteral("BRIVOLINE_ACCESS_BACKUP_01_01_2020.bkp.old"),
                                 BackupArchive::kSafetyPrefix + QStringLiteral("01_01_2020_10_00_00.bkp"),
                                 QStringLiteral("vacances.bkp"),
                                 QStringLiteral("lisez-moi.txt")};
    for (const QString& name : foreign)
        writeFile(folder + name, "pas à moi");

    // A refused backup rotates nothing.
    damageDatabase();
    const QStringList intact = filesIn(folder);
    EXPECT_EQ(run({QStringLiteral("--sauvegarde"), folder, QStringLiteral("--rotation"), QStringLiteral("1")})
                  .status,
              1);
    EXPECT_EQ(filesIn(folder), intact);

    TestFolders::copyTemplate(database());
    const Outcome backup =
        run({QStringLiteral("--sauvegarde"), folder, QStringLiteral("--rotation"), QStringLiteral("3")});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    QStringList expected = foreign;
    for (int daysBack : {0, -40, 1})
        expected << QFileInfo(BackupArchive::proposedPathIn(folder, QDate::currentDate().addDays(-daysBack)))
                        .fileName();
    expected.sort();
    EXPECT_EQ(filesIn(folder), expected);
    for (const QString& name : foreign)
        EXPECT_EQ(readFile(folder + name), "pas à moi");
    EXPECT_TRUE(backup.err.contains(QStringLiteral("Ancienne sauvegarde supprimée")));
}

TEST_F(Household, EncryptedBackupTakesItsPasswordFromAFileOnly)
{
    const QString passwordFile = m_scratch.path() + QStringLiteral("mdp");
    writeFile(passwordFile, "cheval agrafe pile\n");
    QFile::setPermissions(passwordFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString folder = m_scratch.make(QStringLiteral("nuage"));
    const Outcome backup = run({QStringLiteral("--sauvegarde"), folder, QStringLiteral("--rotation"),
                                QStringLiteral("2"), QStringLiteral("--mot-de-passe-fichier"), passwordFile});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    EXPECT_FALSE(backup.err.contains(QStringLiteral("Attention")));
    const QString archive = BackupArchive::proposedPathIn(folder, QDate::currentDate());
    ASSERT_TRUE(ArchiveFile::isEncrypted(archive));
    EXPECT_FALSE(readFile(archive).contains("cheval"));
    EXPECT_FALSE(readFile(archive).contains("MSCF"));

    // The password without its line ending opens it, and nothing else does.
    const Sealed::Header header = Sealed::Header::read(archive);
    QByteArray wrong("cheval agrafe pile\n");
    EXPECT_THROW(Sealed::Key::open(header, Secret::takeBytes(wrong)), Sealed::WrongPassword);
    QByteArray right("cheval agrafe pile");
    const Sealed::Key key = Sealed::Key::open(header, Secret::takeBytes(right));
    QStringList names;
    for (const Cabinet::Entry& entry : ArchiveFile::list(archive, &key))
        names << entry.name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("BRIVOLINE.MDB"), QStringLiteral("Doc1.jpg"),
                                  QStringLiteral("People1.jpg"), QStringLiteral("File1.f")}));
    EXPECT_NO_THROW(ArchiveFile::authenticate(archive, &key));

    // Replaced by the next night's, as a plain one would be; an empty
    // password file or a missing one makes nothing.
    writeFile(passwordFile, "");
    EXPECT_EQ(
        run({QStringLiteral("--sauvegarde"), folder, QStringLiteral("--mot-de-passe-fichier"), passwordFile})
            .status,
        1);
    EXPECT_EQ(run({QStringLiteral("--sauvegarde"), folder, QStringLiteral("--mot-de-passe-fichier"),
                   m_scratch.path() + QStringLiteral("absent")})
                  .status,
              1);
    EXPECT_EQ(backupRows(), 1);
    EXPECT_EQ(filesIn(folder), QStringList{QFileInfo(archive).fileName()});
}

TEST_F(Household, ExportsOnePersonsBundleByNumberOrName)
{
    const QString file = m_scratch.path() + QStringLiteral("carnet.json");
    const Outcome byName = run({QStringLiteral("--exporter-fhir"), QStringLiteral("dupont jean"), file});
    ASSERT_EQ(byName.status, 0) << byName.err.toStdString();
    const QJsonObject bundle = QJsonDocument::fromJson(readFile(file)).object();
    EXPECT_EQ(bundle.value(QStringLiteral("resourceType")).toString(), QStringLiteral("Bundle"));
    EXPECT_EQ(bundle.value(QStringLiteral("entry"))
                  .toArray()
                  .first()
                  .toObject()
                  .value(QStringLiteral("resource"))
                  .toObject()
                  .value(QStringLiteral("resourceType"))
                  .toString(),
              QStringLiteral("Patient"));
    const QString again = m_scratch.path() + QStringLiteral("encore.json");
    ASSERT_EQ(run({QStringLiteral("--exporter-fhir"), QStringLiteral("1"), again}).status, 0);
    // The same person, whichever way named: the same entries (the bundle's own timestamp aside).
    EXPECT_EQ(QJsonDocument::fromJson(readFile(again)).object().value(QStringLiteral("entry")),
              bundle.value(QStringLiteral("entry")));
    const Outcome nobody = run({QStringLiteral("--exporter-fhir"), QStringLiteral("Martin"),
                                m_scratch.path() + QStringLiteral("x.json")});
    EXPECT_EQ(nobody.status, 1);
    EXPECT_FALSE(exists(m_scratch.path() + QStringLiteral("x.json")));
}

} // namespace
