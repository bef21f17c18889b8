#include "DbIni.h"

#include "Connection.h"
#include "Errors.h"
#include "IniFile.h"
#include "SmallDisk.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

using TestFolders::readFile;
using TestFolders::writeFile;

class DbIniRead : public ::testing::Test
{
protected:
    DbIniRead()
    {
        m_folders = Folders::forProgramFolder(m_scratch.make(QStringLiteral("program")),
                                              m_scratch.path() + QStringLiteral("program/brivoline"));
        m_folders.data = m_scratch.make(QStringLiteral("data"));
    }
    void writeDbIni(const QByteArray& text) { writeFile(m_folders.data + QStringLiteral("db.ini"), text); }

    TestFolders::Scratch m_scratch;
    Folders m_folders;
};

TEST_F(DbIniRead, MissingFileGivesDefaultsAndIsWrittenWithAllSevenKeys)
{
    const DbConfig db = DbIni::read(m_folders);
    EXPECT_EQ(db.kind, DbConfig::Kind::OleDb);
    EXPECT_EQ(db.databaseFolder, m_folders.data + QStringLiteral("Data/"));
    EXPECT_EQ(db.databaseFile(), m_folders.data + QStringLiteral("Data/Access/BRIVOLINE.MDB"));

    const IniFile written = IniFile::load(m_folders.data + QStringLiteral("db.ini"));
    ASSERT_TRUE(written.exists());
    EXPECT_EQ(written.value(QStringLiteral("DataBase"), QStringLiteral("Provider")), QStringLiteral("OLEDB"));
    EXPECT_EQ(written.value(QStringLiteral("DataBase"), QStringLiteral("Path")), QStringLiteral("Data/"));
    EXPECT_EQ(written.value(QStringLiteral("ODBC"), QStringLiteral("Name")), QStringLiteral("BRIVOLINE"));
    EXPECT_EQ(written.value(QStringLiteral("ODBC"), QStringLiteral("Driver")),
              QStringLiteral("Microsoft Access Driver (*.mdb)"));
    EXPECT_EQ(written.value(QStringLiteral("ODBC"), QStringLiteral("Path")),
              QStringLiteral("Access/BRIVOLINE.MDB"));
    EXPECT_EQ(written.value(QStringLiteral("OLEDB"), QStringLiteral("Provider")),
              QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(written.value(QStringLiteral("OLEDB"), QStringLiteral("FileName")),
              QStringLiteral("Access/BRIVOLINE.MDB"));
}

TEST_F(DbIniRead, ExistingFileIsNeverRewritten)
{
    writeDbIni("[DataBase]\r\nProvider=OLEDB\r\n");
    DbIni::read(m_folders);
    EXPECT_EQ(readFile(m_folders.data + QStringLiteral("db.ini")),
              QByteArray("[DataBase]\r\nProvider=OLEDB\r\n"));
}

TEST_F(DbIniRead, DatabaseFolderRules)
{
    const QString& data = m_folders.data;
    EXPECT_EQ(DbIni::databaseFolder(data, QStringLiteral("Data\\")), data + QStringLiteral("Data/"));
    EXPECT_EQ(DbIni::databaseFolder(data, QStringLiteral("Data/")), data + QStringLiteral("Data/"));
    EXPECT_EQ(DbIni::databaseFolder(data, QStringLiteral("/srv/famille")), QStringLiteral("/srv/famille/"));
    // Every relative folder lies under the data folder, whatever the current folder.
    EXPECT_EQ(DbIni::databaseFolder(data, QStringLiteral("MyData/")), data + QStringLiteral("MyData/"));
    EXPECT_EQ(DbIni::databaseFolder(data, QStringLiteral("data\\Famille")),
              data + QStringLiteral("data/Famille/"));
    EXPECT_EQ(DbIni::databaseFolder(data, QStringLiteral("D:\\Famille\\")),
              data + QStringLiteral("D:/Famille/"));
    EXPECT_EQ(DbIni::databaseFolder(data, QString()), data);
}

TEST_F(DbIniRead, FolderForAFileOrFileForAFolderIsRefusedBeforeAnythingIsMade)
{
    const QString elsewhere = m_scratch.path() + QStringLiteral("famille/");
    writeDbIni("[DataBase]\nPath=" + elsewhere.toUtf8() + "\n[OLEDB]\nFileName=Access/\n");
    try {
        DbIni::read(m_folders);
        FAIL() << "a folder taken for the database file";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(),
                  QStringLiteral("Le fichier de configuration \"%1db.ini\" indique comme base de données "
                                 "\"%2Access/\", qui est un dossier et non un fichier.\r"
                                 "Corrigez la clé FileName de la section [OLEDB].")
                      .arg(m_folders.data, elsewhere));
    }
    EXPECT_FALSE(TestFolders::exists(elsewhere));

    writeFile(m_scratch.path() + QStringLiteral("afile"), "x");
    writeDbIni("[DataBase]\nPath=" + m_scratch.path().toUtf8() + "afile\n");
    EXPECT_THROW(DbIni::read(m_folders), FileError);
    // db.ini itself a folder: not to be taken for a missing file and replaced.
    QFile::remove(m_folders.data + QStringLiteral("db.ini"));
    QDir().mkdir(m_folders.data + QStringLiteral("db.ini"));
    EXPECT_THROW(DbIni::read(m_folders), FileError);
    EXPECT_TRUE(QFileInfo(m_folders.data + QStringLiteral("db.ini")).isDir());
}

TEST_F(DbIniRead, WindowsFileWithOdbcProviderAndOtherFileName)
{
    writeDbIni("[DataBase]\r\nProvider=ODBC\r\nPath=C:\\Donn\xE9"
               "es\r\n[ODBC]\r\nPath=Access\\Famille.mdb\r\n"
               "[OLEDB]\r\nFileName=Access\\Autre.mdb\r\n");
    const DbConfig db = DbIni::read(m_folders);
    EXPECT_EQ(db.kind, DbConfig::Kind::Odbc);
    EXPECT_EQ(db.databaseFolder, m_folders.data + QStringLiteral("C:/Données/"))
        << "a drive letter means nothing here";
    EXPECT_EQ(db.providerFileName(), QStringLiteral("Access/Famille.mdb"));
    EXPECT_EQ(db.databaseFile(), m_folders.data + QStringLiteral("C:/Données/Access/Autre.mdb"))
        << "connection uses the OLEDB file";
}

TEST_F(DbIniRead, GarbageLinesAreIgnored)
{
    writeDbIni("\x01\x02garbage\n[DataBase\nPath\n=x\n[DataBase]\nPath = Data\\ \n");
    const DbConfig db = DbIni::read(m_folders);
    EXPECT_EQ(db.databaseFolder, m_folders.data + QStringLiteral("Data/"));
    EXPECT_EQ(db.kind, DbConfig::Kind::OleDb);
}

// The connection as start-up opens it, on real files.
class ConnectionOpen : public ::testing::Test
{
protected:
    ConnectionOpen() { m_config.databaseFolder = m_scratch.path(); }
    ~ConnectionOpen() override { Connection::close(); }
    TestFolders::Scratch m_scratch;
    DbConfig m_config;
};

TEST_F(ConnectionOpen, MissingOrEmptyFileIsAFailureThatCreatesNothing)
{
    try {
        Connection::open(m_config);
        FAIL() << "no database, and no word";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(),
                  QStringLiteral("La base de données \"%1\" est introuvable.").arg(m_config.databaseFile()));
    }
    EXPECT_FALSE(Connection::isOpen());
    EXPECT_FALSE(TestFolders::exists(m_config.databaseFile()));

    writeFile(m_config.databaseFile(), QByteArray());
    try {
        Connection::open(m_config);
        FAIL() << "an empty file taken for a database";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Le fichier \"%1\" est vide : ce n'est pas une base de données.")
                                .arg(m_config.databaseFile()));
    }
    EXPECT_EQ(QFileInfo(m_config.databaseFile()).size(), 0);
}

TEST_F(ConnectionOpen, TemplateOpens)
{
    TestFolders::copyTemplate(m_config.databaseFile());
    Connection::open(m_config);
    EXPECT_TRUE(Connection::isOpen());
}

TEST_F(ConnectionOpen, ForeignOrDamagedFileIsRefusedWithItsPathAndLeftUntouched)
{
    const QByteArray notADatabase = QByteArray("Standard Jet DB\0\0\0\0", 19) + QByteArray(4096, 'x');
    writeFile(m_config.databaseFile(), notADatabase);
    try {
        Connection::open(m_config);
        FAIL() << "opened a file that is not a database";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Impossible d'ouvrir la base de données \"")));
        EXPECT_TRUE(e.text().contains(m_config.databaseFile()));
    }
    EXPECT_FALSE(Connection::isOpen());
    EXPECT_EQ(readFile(m_config.databaseFile()), notADatabase);

    // A real database cut short.
    TestFolders::copyTemplate(m_config.databaseFile());
    QByteArray bytes = readFile(m_config.databaseFile());
    bytes.truncate(100);
    writeFile(m_config.databaseFile(), bytes);
    EXPECT_THROW(Connection::open(m_config), DatabaseError);
}

// Said at start rather than at the user's first change. Rights are checked
// as an ordinary user even when the tests run as root.
TEST_F(ConnectionOpen, ReadOnlyDatabaseIsRefusedAtOnce)
{
    TestFolders::copyTemplate(m_config.databaseFile());
    const QString file = m_config.databaseFile();
    const auto openAsUser = [&] {
        return TestFolders::asUnprivilegedUser([&] {
            try {
                Connection::open(m_config);
                return 1;
            } catch (const DatabaseError& e) {
                return e.text() == QStringLiteral(
                                       "Impossible d'ouvrir la base de données \"%1\" :\rla base de données "
                                       "est en lecture seule : vérifiez les droits d'accès à ce fichier et "
                                       "au dossier qui le contient.")
                                       .arg(file)
                           ? 0
                           : 2;
            }
        });
    };
    const QFile::Permissions read = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const QFile::Permissions enter = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    const QFile::Permissions write =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const QByteArray before = readFile(file);

    QFile::setPermissions(m_scratch.path(), read | enter);
    QFile::setPermissions(file, read);
    EXPECT_EQ(openAsUser(), 0) << "a read-only file";
    // Writable, but where the journal of a change cannot be made.
    QFile::setPermissions(file, read | write);
    EXPECT_EQ(openAsUser(), 0) << "a read-only folder";
    QFile::setPermissions(m_scratch.path(), read | enter | QFileDevice::WriteOwner);
    EXPECT_EQ(readFile(file), before);
}

// What the user can act on is said in French: a missing table, a full disk.
TEST_F(ConnectionOpen, EngineErrorsAreSaidInFrench)
{
    const QString disk = m_scratch.path() + QStringLiteral("disk/");
    SmallDisk small(disk, 1024 * 1024);
    if (!small.mounted())
        GTEST_SKIP() << small.whyNot().toStdString();
    m_config.databaseFolder = disk;
    TestFolders::copyTemplate(m_config.databaseFile());
    Connection::open(m_config);
    QSqlQuery q(Connection::database());
    EXPECT_FALSE(q.exec(QStringLiteral("SELECT * FROM ACTES")));
    EXPECT_EQ(Connection::errorText(q.lastError()),
              QStringLiteral("la table « ACTES » est absente de la base de données"));
    EXPECT_FALSE(q.exec(QStringLiteral("SELECT Nom FROM PERSON")));
    EXPECT_EQ(Connection::errorText(q.lastError()),
              QStringLiteral("la colonne « Nom » est absente de la base de données"));

    small.fill(16 * 1024);
    q.prepare(QStringLiteral("INSERT INTO PERSON (Name, Previous) VALUES ('Durand', ?)"));
    q.addBindValue(QString(200 * 1024, QLatin1Char('x')));
    EXPECT_FALSE(q.exec());
    EXPECT_EQ(Connection::errorText(q.lastError()), QStringLiteral("le disque est plein"))
        << q.lastError().text().toStdString();
}

TEST_F(ConnectionOpen, UnknownProviderGivesAClearError)
{
    TestFolders::copyTemplate(m_config.databaseFile());
    m_config.kind = DbConfig::Kind::Unknown;
    m_config.providerText = QStringLiteral("ADO");
    try {
        Connection::open(m_config);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("\"ADO\"")));
    }
    EXPECT_FALSE(Connection::isOpen());
}

} // namespace
