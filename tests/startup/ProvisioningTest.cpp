#include "Provisioning.h"

#include "DbIni.h"
#include "Messages.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

namespace {

using TestFolders::exists;
using TestFolders::readFile;
using TestFolders::writeFile;

class ProvisioningRun : public ::testing::Test
{
protected:
    ProvisioningRun()
    {
        m_folders = Folders::forProgramFolder(m_scratch.make(QStringLiteral("program")),
                                              m_scratch.path() + QStringLiteral("program/brivoline"));
        m_folders.data = m_scratch.make(QStringLiteral("data"));
    }

    void shipTemplate()
    {
        const QString t = m_folders.program + QStringLiteral("Ressources/DB/");
        writeFile(t + QStringLiteral("Data/Access/BRIVOLINE.MDB"), "template database");
        writeFile(t + QStringLiteral("Data/Images/Doc1.jpg"), "template picture");
        writeFile(t + QStringLiteral("Data/Files/File1.f"), "template file");
        writeFile(t + QStringLiteral("SortList.def"), "shipped sort list");
        writeFile(t + QStringLiteral("db.ini"), "[DataBase]\nProvider=OLEDB\nPath=Data/\n");
    }
    void leaveOlderInstallation()
    {
        const QString old = m_folders.program + QStringLiteral("Data/");
        writeFile(old + QStringLiteral("Access/BRIVOLINE.MDB"), "older installation");
        writeFile(old + QStringLiteral("Images/People3.jpg"), "photo");
        writeFile(old + QStringLiteral("Images/thumbs.db"), "not a picture");
        writeFile(old + QStringLiteral("Files/File7.f"), "attached");
        writeFile(m_folders.program + QStringLiteral("db.ini"), "");
    }
    DbConfig config() { return DbIni::read(m_folders); }

    TestFolders::Scratch m_scratch;
    Folders m_folders;
    Messages::Recorder m_messages;
};

TEST_F(ProvisioningRun, FirstStartCopiesTheTemplateSilently)
{
    shipTemplate();
    const DbConfig db = config();
    ASSERT_TRUE(Provisioning::run(m_folders, db));
    EXPECT_TRUE(m_messages.messages().isEmpty());
    EXPECT_EQ(readFile(db.databaseFile()), QByteArray("template database"));
    EXPECT_EQ(readFile(db.databaseFolder + QStringLiteral("Images/Doc1.jpg")),
              QByteArray("template picture"));
    EXPECT_EQ(readFile(db.databaseFolder + QStringLiteral("Files/File1.f")), QByteArray("template file"));
    EXPECT_EQ(readFile(m_folders.data + QStringLiteral("SortList.def")), QByteArray("shipped sort list"));
    EXPECT_TRUE(exists(m_folders.data + QStringLiteral("db.ini")));
}

TEST_F(ProvisioningRun, OlderInstallationIsTransferredWithItsWarningAndLeftInPlace)
{
    shipTemplate();
    leaveOlderInstallation();
    const DbConfig db = config();
    ASSERT_TRUE(Provisioning::run(m_folders, db));
    EXPECT_EQ(readFile(db.databaseFile()), QByteArray("older installation"));
    EXPECT_TRUE(exists(db.databaseFolder + QStringLiteral("Images/People3.jpg")));
    EXPECT_FALSE(exists(db.databaseFolder + QStringLiteral("Images/thumbs.db")));
    EXPECT_TRUE(exists(db.databaseFolder + QStringLiteral("Files/File7.f")));
    EXPECT_FALSE(exists(db.databaseFolder + QStringLiteral("Images/Doc1.jpg")))
        << "nothing from the template";
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(m_messages.messages().at(0).icon, Messages::Icon::Warning);
    EXPECT_EQ(m_messages.messages().at(0).text,
              QStringLiteral("IMPORTANT !!\r\rLa base de données a été transférée dans le réperoire :\r") +
                  db.databaseFolder + QStringLiteral("\r\rNE SUPPRIMEZ PAS CE REPERTOIRE"));
    EXPECT_TRUE(exists(m_folders.program + QStringLiteral("Data/Access/BRIVOLINE.MDB")));
}

// A transfer that loses a picture is not announced as done; with no database
// left, the next start copies everything again.
TEST_F(ProvisioningRun, FailedCopyIsReportedNotAnnouncedAndLeavesNoDatabase)
{
    shipTemplate();
    leaveOlderInstallation();
    const QString lost = m_folders.program + QStringLiteral("Data/Images/Doc9.jpg");
    ASSERT_TRUE(QFile::link(m_scratch.path() + QStringLiteral("gone.jpg"), lost));
    const DbConfig db = config();
    EXPECT_FALSE(Provisioning::run(m_folders, db));
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(m_messages.messages().at(0).icon, Messages::Icon::Error);
    EXPECT_EQ(m_messages.texts().at(0),
              Provisioning::copyFailedMessage(
                  db.databaseFolder,
                  QStringLiteral("Impossible de lire le fichier \"%1\" : fichier ou dossier introuvable.")
                      .arg(lost)));
    EXPECT_FALSE(exists(db.databaseFile()));
    EXPECT_TRUE(exists(m_folders.program + QStringLiteral("Data/Access/BRIVOLINE.MDB")))
        << "the source stays";

    QFile::remove(lost);
    m_messages.clear();
    EXPECT_TRUE(Provisioning::run(m_folders, db));
    EXPECT_EQ(readFile(db.databaseFile()), QByteArray("older installation"));
    EXPECT_TRUE(m_messages.texts().at(0).startsWith(QStringLiteral("IMPORTANT !!")));
}

TEST_F(ProvisioningRun, MissingTemplateIsReportedAndFails)
{
    const DbConfig db = config();
    EXPECT_FALSE(Provisioning::run(m_folders, db));
    ASSERT_EQ(m_messages.texts(), QStringList{Provisioning::kMissingComponentsMessage});
    EXPECT_EQ(m_messages.messages().at(0).icon, Messages::Icon::Warning);
    EXPECT_FALSE(exists(db.databaseFile()));
}

TEST_F(ProvisioningRun, SecondStartCopiesNothingAndKeepsUserFiles)
{
    shipTemplate();
    const DbConfig db = config();
    writeFile(db.databaseFile(), "the household's records");
    writeFile(m_folders.data + QStringLiteral("SortList.def"), "edited by the user");
    writeFile(m_folders.data + QStringLiteral("brivoline.ini"), "[Properties]\nSplash=0\n");
    writeFile(m_folders.program + QStringLiteral("brivoline.ini"), "[Properties]\nSplash=1\n");
    ASSERT_TRUE(Provisioning::run(m_folders, db));
    EXPECT_EQ(readFile(db.databaseFile()), QByteArray("the household's records"));
    EXPECT_FALSE(exists(db.databaseFolder + QStringLiteral("Images/Doc1.jpg")));
    EXPECT_EQ(readFile(m_folders.data + QStringLiteral("SortList.def")), QByteArray("edited by the user"));
    EXPECT_EQ(readFile(m_folders.data + QStringLiteral("brivoline.ini")),
              QByteArray("[Properties]\nSplash=0\n"));
}

TEST_F(ProvisioningRun, DatabaseFolderElsewhereIsCreatedWithItsSubfolders)
{
    shipTemplate();
    const QString elsewhere = m_scratch.path() + QStringLiteral("famille");
    writeFile(m_folders.data + QStringLiteral("db.ini"), "[DataBase]\r\nPath=" + elsewhere.toUtf8() + "\r\n");
    const DbConfig db = config();
    EXPECT_EQ(db.databaseFolder, elsewhere + QLatin1Char('/'));
    ASSERT_TRUE(Provisioning::run(m_folders, db));
    EXPECT_EQ(readFile(elsewhere + QStringLiteral("/Access/BRIVOLINE.MDB")), QByteArray("template database"));
    EXPECT_TRUE(QDir(elsewhere + QStringLiteral("/Files")).exists());
}

} // namespace
