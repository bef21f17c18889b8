#include "Connection.h"
#include "DbIni.h"
#include "Errors.h"
#include "IniFile.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(written.value(QStringLiteral("ODBC"), QStringLiteral("Path")), QStringLiteral("Access/BRIVOLINE.MDB"));
    EXPECT_EQ(written.value(QStringLiteral("OLEDB"), QStringLiteral("Provider")),
              QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(written.value(QStringLiteral("OLEDB"), QStringLiteral("FileName")), QStringLiteral("Access/BRIVOLINE.MDB"));
}

TEST_F(DbIniRead, ExistingFileIsNeverRewritten)
{
    writeDbIni("[DataBase]\r\nProvider=OLEDB\r\n");
    DbIni::read(m_folders);
    EXPECT_EQ(readFile(m_folders.data + QStringLiteral("db.ini")), QByteArray("[DataBase]\r\nProvider=OLEDB\r\n"));
}

TEST_F(DbIniRead, DatabaseFolderRules)
{
    EXPECT_EQ(DbIni::databaseFolder(m_folders.data, QStringLiteral("Data\\")), m_folders.data + QStringLiteral("Data/"));
    EXPECT_EQ(DbIni::databaseFolder(m_folders.data, QStringLiteral("Data/")), m_folders.data + QStringLiteral("Data/"));
    EXPECT_EQ(DbIni::databaseFolder(m_folders.data, QStringLiteral("/srv/famille")), QStringLiteral("/srv/famille/"));
    EXPECT_EQ(DbIni::databaseFolder(m_folders.data, QStringLiteral("D:\\Famille\\")), QStringLiteral("D:/Famille/"));
    // Anything but exactly "Data\" is a full path of its own.
    EXPECT_EQ(DbIni::databaseFolder(m_folders.data, QStringLiteral("data\\")), QStringLiteral("data/"));
}

TEST_F(DbIniRead, WindowsFileWithOdbcProviderAndOtherFileName)
{
    writeDbIni("[DataBase]\r\nProvider=ODBC\r\nPath=C:\\Donn\xE9""es\r\n[ODBC]\r\nPath=Access\\Famille.mdb\r\n"
               "[OLEDB]\r\nFileName=Access\\Autre.mdb\r\n");
    const DbConfig db = DbIni::read(m_folders);
    EXPECT_EQ(db.kind, DbConfig::Kind::Odbc);
    EXPECT_EQ(db.databaseFolder, QStringLiteral("C:/Données/"));
    EXPECT_EQ(db.providerFileName(), QStringLiteral("Access/Famille.mdb"));
    EXPECT_EQ(db.databaseFile(), QStringLiteral("C:/Données/Access/Autre.mdb")) << "connection uses the OLEDB file";
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

TEST_F(ConnectionOpen, MissingFileMakesNoAttemptAndCreatesNothing)
{
    Connection::open(m_config);
    EXPECT_FALSE(Connection::isOpen());
    EXPECT_FALSE(TestFolders::exists(m_config.databaseFile()));
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
