#include "Folders.h"

#include "Errors.h"
#include "FileUtils.h"
#include "Product.h"
#include "Settings.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

using TestFolders::exists;
using TestFolders::readFile;
using TestFolders::writeFile;

// A program folder and a documents folder in scratch space, with the desktop behind the seam.
class DataFolder : public ::testing::Test
{
protected:
    DataFolder()
    {
        m_program = m_scratch.make(QStringLiteral("opt/brivoline"));
        m_documents = m_scratch.path() + QStringLiteral("home/Documents/");
        m_folders = Folders::forProgramFolder(m_program, m_program + QStringLiteral("brivoline"));
        m_desktop = {m_documents, m_scratch.path() + QStringLiteral("opt/"),
                     [this](const QString&) { return m_removable; }};
    }

    QString resolve() { return FolderSetup::resolveDataFolder(m_folders, m_desktop); }
    void setAppDataDir(const QByteArray& value)
    {
        writeFile(m_program + QStringLiteral("directories.ini"), "[Path]\r\nAppDataDir=" + value + "\r\n");
    }
    static void expectSubfolders(const QString& data)
    {
        for (const char* sub :
             {"Export", "Html", "Backup", "Data", "Data/Access", "Data/Images", "Data/Files"})
            EXPECT_TRUE(QDir(data + QString::fromLatin1(sub)).exists()) << sub;
    }

    TestFolders::Scratch m_scratch;
    QString m_program;
    QString m_documents;
    Folders m_folders;
    DesktopEnvironment m_desktop;
    bool m_removable = false;
};

TEST_F(DataFolder, FirstStartCreatesMakerAndProductFoldersWithTheirWarnings)
{
    const QString data = resolve();
    const QString maker = m_documents + QStringLiteral("Halvorn Software Development/");
    EXPECT_EQ(data, maker + QStringLiteral("Brivoline/"));
    expectSubfolders(data);

    const QByteArray makerWarning = readFile(maker + QStringLiteral("Avertissement.txt"));
    EXPECT_TRUE(makerWarning.startsWith(
        "ATTENTION : NE SUPPRIMEZ PAS CE REPERTOIRE \r\n\r\nCe r\xC3\xA9pertoire contient "
        "les donn\xC3\xA9"
        "es des logiciels \xC3\xA9"
        "dit\xC3\xA9s par Halvorn Software "
        "Developpement\r\nContact : "))
        << makerWarning.toStdString();
    EXPECT_TRUE(makerWarning.contains("\r\nSite web : " + Product::webAddress.toUtf8() + "\r\n"));
    EXPECT_FALSE(makerWarning.contains("\n\n")) << "every line ends with CR LF";

    const QByteArray productWarning = readFile(data + QStringLiteral("Avertissement.txt"));
    EXPECT_TRUE(productWarning.contains("contient les donn\xC3\xA9"
                                        "es du logiciels Brivoline \xC3\xA9"
                                        "dit\xC3\xA9s par "
                                        "Halvorn Software Developpement\r\n"));
}

TEST_F(DataFolder, WarningsAreWrittenOnlyIntoFoldersJustCreated)
{
    const QString maker = m_documents + QStringLiteral("Halvorn Software Development/");
    writeFile(maker + QStringLiteral("notes.txt"), "mine");
    const QString data = resolve();
    EXPECT_FALSE(exists(maker + QStringLiteral("Avertissement.txt")));
    EXPECT_TRUE(exists(data + QStringLiteral("Avertissement.txt")));

    writeFile(data + QStringLiteral("Avertissement.txt"), "edited");
    resolve();
    EXPECT_EQ(readFile(data + QStringLiteral("Avertissement.txt")), QByteArray("edited"));
}

TEST_F(DataFolder, AppExeAndDevelopmentMarkerKeepDataInTheProgramFolder)
{
    setAppDataDir("appexe");
    EXPECT_EQ(resolve(), m_program);
    expectSubfolders(m_program);
    EXPECT_FALSE(QDir(m_documents).exists());

    setAppDataDir("");
    writeFile(m_program + QStringLiteral("brivoline.dpr"), "");
    EXPECT_EQ(resolve(), m_program);
}

TEST_F(DataFolder, RemovableDriveKeepsDataBesideTheProgramUnlessInstalledUnderPrograms)
{
    m_removable = true;
    m_desktop.programsFolder = QStringLiteral("/usr/local/");
    EXPECT_EQ(resolve(), m_program);

    m_desktop.programsFolder = m_scratch.path() + QStringLiteral("opt/");
    EXPECT_EQ(resolve(), m_documents + QStringLiteral("Halvorn Software Development/Brivoline/"));
}

TEST_F(DataFolder, AppDataDirNamesTheBaseFolderInEitherSeparatorStyle)
{
    const QString base = m_scratch.path() + QStringLiteral("Famille/");
    QString windowsStyle = base;
    windowsStyle.replace(QLatin1Char('/'), QLatin1Char('\\'));
    setAppDataDir(windowsStyle.toUtf8());
    const QString data = resolve();
    EXPECT_EQ(data, base + QStringLiteral("Brivoline/"));
    EXPECT_TRUE(exists(base + QStringLiteral("Avertissement.txt")));
    expectSubfolders(data);
}

TEST_F(DataFolder, ProgramFolderIsBesideABuiltExecutableAndUnderShareForAnInstalledOne)
{
    const QString build = m_scratch.make(QStringLiteral("build"));
    QDir().mkpath(build + QStringLiteral("Ressources/DB"));
    EXPECT_EQ(Folders::programFolderOf(build + QStringLiteral("brivoline")), build);

    const QString prefix = m_scratch.make(QStringLiteral("usr"));
    QDir().mkpath(prefix + QStringLiteral("bin"));
    EXPECT_EQ(Folders::programFolderOf(prefix + QStringLiteral("bin/brivoline")),
              prefix + QStringLiteral("bin/"))
        << "no program folder installed: the executable's own folder, where start-up says what is missing";
    QDir().mkpath(prefix + QStringLiteral("share/brivoline/Ressources/DB"));
    EXPECT_EQ(Folders::programFolderOf(prefix + QStringLiteral("bin/brivoline")),
              prefix + QStringLiteral("share/brivoline/"));
}

TEST_F(DataFolder, CopyIfMissingSearchesInOrderAndNeverOverwrites)
{
    m_folders.data = m_scratch.make(QStringLiteral("data"));
    writeFile(m_program + QStringLiteral("Maj/BD_351.maj"), "from Maj");
    writeFile(m_program + QStringLiteral("Ressources/DB/BD_351.maj"), "from Ressources");
    EXPECT_TRUE(FolderSetup::copyIfMissing(m_folders, QStringLiteral("BD_351.maj")));
    EXPECT_EQ(readFile(m_folders.data + QStringLiteral("BD_351.maj")), QByteArray("from Ressources"));

    writeFile(m_program + QStringLiteral("SortList.def"), "shipped");
    writeFile(m_folders.data + QStringLiteral("SortList.def"), "user's own");
    EXPECT_TRUE(FolderSetup::copyIfMissing(m_folders, QStringLiteral("SortList.def")));
    EXPECT_EQ(readFile(m_folders.data + QStringLiteral("SortList.def")), QByteArray("user's own"));

    EXPECT_FALSE(FolderSetup::copyIfMissing(m_folders, QStringLiteral("absent.ini")));
}

TEST(FileUtilities, ListingIsSortedWithoutRegardToCaseAndLeavesFoldersOut)
{
    TestFolders::Scratch scratch;
    for (const char* name : {"b.maj", "A.MAJ", "c.Maj", "notes.txt"})
        writeFile(scratch.path() + QString::fromLatin1(name), "x");
    QDir().mkdir(scratch.path() + QStringLiteral("d.maj"));
    EXPECT_EQ(FileUtils::listFiles(scratch.path(), QStringLiteral("*.maj")),
              (QStringList{QStringLiteral("A.MAJ"), QStringLiteral("b.maj"), QStringLiteral("c.Maj")}));

    const QString target = scratch.make(QStringLiteral("copy"));
    writeFile(target + QStringLiteral("b.maj"), "old");
    FileUtils::copyFiles(scratch.path(), target, QStringLiteral("*.maj"));
    EXPECT_EQ(FileUtils::listFiles(target, QStringLiteral("*.maj")).size(), 3);
    EXPECT_EQ(readFile(target + QStringLiteral("b.maj")), QByteArray("x"));
    QStringList copies;
    for (const QString& name : FileUtils::listFiles(target, QStringLiteral("*.MAJ")))
        copies << target + name;
    EXPECT_TRUE(FileUtils::removeFiles(copies << target + QStringLiteral("gone.maj")).isEmpty())
        << "a missing file counts as removed";
    EXPECT_TRUE(FileUtils::listFiles(target, QStringLiteral("*")).isEmpty());
    // A file in a folder that refuses changes stays, and says so.
    writeFile(target + QStringLiteral("kept.maj"), "x");
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::geteuid() != 0) {
        EXPECT_THROW(FileUtils::removeFile(target + QStringLiteral("kept.maj")), FileError);
        EXPECT_EQ(FileUtils::removeFiles({target + QStringLiteral("kept.maj")}).size(), 1);
    }
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(FileUtils::fileSize(scratch.path() + QStringLiteral("notes.txt")), 1);
    EXPECT_EQ(FileUtils::fileSize(scratch.path() + QStringLiteral("none")), 0);
}

TEST(FileUtilities, SmallHelpers)
{
    EXPECT_EQ(FileUtils::withTrailingSeparator(QStringLiteral("D:\\Famille")), QStringLiteral("D:/Famille/"));
    EXPECT_EQ(FileUtils::withTrailingSeparator(QStringLiteral("/srv/data/")), QStringLiteral("/srv/data/"));
    EXPECT_EQ(FileUtils::withoutAccents(QStringLiteral("Élève à l'hôpital, ça dîne où ? Noël")),
              QStringLiteral("Éleve a l'hopital, ca dine ou ? Noel"));
}

TEST(FileUtilities, CopyFileLeavesNoPartialTargetAndRefusesToOverwrite)
{
    TestFolders::Scratch scratch;
    writeFile(scratch.path() + QStringLiteral("src"), "content");
    writeFile(scratch.path() + QStringLiteral("dst"), "kept");
    EXPECT_THROW(FileUtils::copyFile(scratch.path() + QStringLiteral("src"),
                                     scratch.path() + QStringLiteral("dst"), false),
                 FileError);
    EXPECT_EQ(readFile(scratch.path() + QStringLiteral("dst")), QByteArray("kept"));
    EXPECT_THROW(FileUtils::copyFile(scratch.path() + QStringLiteral("absent"),
                                     scratch.path() + QStringLiteral("new"), false),
                 FileError);
    EXPECT_FALSE(exists(scratch.path() + QStringLiteral("new")));
    EXPECT_EQ(QDir(scratch.path()).entryList(QDir::Files).size(), 2) << "no scratch file left behind";

    // A file kept elsewhere through a link is replaced where it is.
    ASSERT_TRUE(QFile::link(scratch.path() + QStringLiteral("dst"), scratch.path() + QStringLiteral("link")));
    FileUtils::writeFileAtomically(scratch.path() + QStringLiteral("link"), "through the link");
    EXPECT_TRUE(QFileInfo(scratch.path() + QStringLiteral("link")).isSymLink());
    EXPECT_EQ(readFile(scratch.path() + QStringLiteral("dst")), QByteArray("through the link"));
}

// Replacing or creating a file on a disk with no room left keeps what was there.
TEST(FileUtilities, FullDiskKeepsThePreviousFileOrNoneAndSaysWhy)
{
    TestFolders::Scratch scratch;
    const QString disk = scratch.path() + QStringLiteral("disk/");
    SmallDisk small(disk, 256 * 1024);
    if (!small.mounted())
        GTEST_SKIP() << small.whyNot().toStdString();
    const QString ini = disk + QStringLiteral("brivoline.ini");
    writeFile(ini, "[Properties]\nSplash=0\n");
    const QByteArray database(200 * 1024, 'd');
    writeFile(scratch.path() + QStringLiteral("BRIVOLINE.MDB"), database);

    small.fill();
    try {
        Settings().write(ini); // a few hundred bytes: one buffered write
        FAIL() << "written on a full disk";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(),
                  QStringLiteral("Impossible d'écrire le fichier \"%1\" : le disque est plein.").arg(ini));
    }
    EXPECT_EQ(readFile(ini), QByteArray("[Properties]\nSplash=0\n"));

    // Room for a part of the copy only.
    small.release();
    small.fill(64 * 1024);
    EXPECT_THROW(FileUtils::copyFile(scratch.path() + QStringLiteral("BRIVOLINE.MDB"),
                                     disk + QStringLiteral("BRIVOLINE.MDB"), false),
                 FileError);
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral(".filler"), QStringLiteral("brivoline.ini")}))
        << "no file cut short, nothing left beside";

    small.release();
    FileUtils::copyFile(scratch.path() + QStringLiteral("BRIVOLINE.MDB"),
                        disk + QStringLiteral("BRIVOLINE.MDB"), false);
    EXPECT_EQ(readFile(disk + QStringLiteral("BRIVOLINE.MDB")), database);
}

} // namespace
