// The ODBC route: db.ini asks for ODBC, the data source is registered with
// unixODBC for the SQLite ODBC driver, and the program works through QODBC.
#include "Clock.h"
#include "DbIni.h"
#include "Errors.h"
#include "GridPage.h"
#include "IniFile.h"
#include "Messages.h"
#include "NextModal.h"
#include "OdbcDataSource.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "StartupUpdate.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TEnterEvents.h"
#include "TestFolders.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabBar>

namespace {

// unixODBC reads where its files are once per process: one system folder
// (with the installed drivers) and one user file for every test.
struct OdbcFiles
{
    TestFolders::Scratch folder;
    QString system = folder.make(QStringLiteral("system"));
    QString user = folder.path() + QStringLiteral("user-odbc.ini");
    OdbcFiles()
    {
        TestFolders::writeFile(system + QStringLiteral("odbcinst.ini"),
                               TestFolders::readFile(QStringLiteral("/etc/odbcinst.ini")));
        TestFolders::writeFile(system + QStringLiteral("odbc.ini"), {});
        qputenv("ODBCSYSINI", system.chopped(1).toLocal8Bit());
        qputenv("ODBCINI", user.toLocal8Bit());
    }
};
OdbcFiles& odbcFiles()
{
    static OdbcFiles files;
    return files;
}

TEST(OdbcDataSource, SystemSourceWhenWritableElseTheUsersAndMovesFollowTheFile)
{
    OdbcFiles& files = odbcFiles();
    TestFolders::Scratch data;
    const QString first = data.path() + QStringLiteral("a.mdb");
    const QString moved = data.path() + QStringLiteral("b.mdb");
    TestFolders::copyTemplate(first);
    TestFolders::copyTemplate(moved);

    EXPECT_EQ(OdbcDataSource::driverName(QStringLiteral("Microsoft Access Driver (*.mdb)")),
              QStringLiteral("SQLite3"));
    EXPECT_EQ(OdbcDataSource::driverName(QStringLiteral("SQLite")), QStringLiteral("SQLite"));
    EXPECT_FALSE(OdbcDataSource::registerDataSource(QStringLiteral("MISSING"), QString(),
                                                    data.path() + QStringLiteral("none.mdb")));

    ASSERT_TRUE(OdbcDataSource::registerDataSource(QStringLiteral("FAMILLE"),
                                                   QStringLiteral("Microsoft Access Driver (*.mdb)"), first));
    ASSERT_TRUE(OdbcDataSource::registerDataSource(QStringLiteral("FAMILLE"),
                                                   QStringLiteral("Microsoft Access Driver (*.mdb)"), moved));
    IniFile system = IniFile::load(files.system + QStringLiteral("odbc.ini"));
    EXPECT_EQ(system.value(QStringLiteral("FAMILLE"), QStringLiteral("Driver")), QStringLiteral("SQLite3"));
    EXPECT_EQ(system.value(QStringLiteral("FAMILLE"), QStringLiteral("Database")), moved);
    EXPECT_EQ(QString::fromUtf8(TestFolders::readFile(files.system + QStringLiteral("odbc.ini")))
                  .count(QStringLiteral("[FAMILLE]")),
              1);

    // Without a system file that can be written, the user's own takes it.
    QFile::remove(files.system + QStringLiteral("odbc.ini"));
    ASSERT_TRUE(OdbcDataSource::registerDataSource(QStringLiteral("FAMILLE2"), QString(), first));
    EXPECT_EQ(IniFile::load(files.user).value(QStringLiteral("FAMILLE2"), QStringLiteral("Database")), first);
    TestFolders::writeFile(files.system + QStringLiteral("odbc.ini"), {});
}

class OdbcRoute : public ::testing::Test
{
protected:
    OdbcRoute()
    {
        odbcFiles();
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(9, 30)));
        ProgramState& p = program();
        p.folders.program = TestFolders::programFolder();
        p.folders.helpFile = p.folders.program + QStringLiteral("doc.htm");
        p.folders.data = m_scratch.path();
        p.folders.iniFileName = QStringLiteral("brivoline.ini");
        p.settings = Settings();
        for (const char* sub : {"Data/Images", "Data/Files"})
            m_scratch.make(QString::fromLatin1(sub));
        TestFolders::copyTemplate(m_scratch.path() + QStringLiteral("Data/Access/BRIVOLINE.MDB"));
        TestFolders::writeFile(
            m_scratch.path() + QStringLiteral("db.ini"),
            "[DataBase]\r\nProvider=ODBC\r\nPath=Data\\\r\n[ODBC]\r\nName=BRIVOLINE_ROUTE\r\n"
            "Driver=Microsoft Access Driver (*.mdb)\r\nPath=Access\\BRIVOLINE.MDB\r\n");
        p.db = DbIni::read(p.folders);
        p.folders.database = p.db.databaseFolder;
        m_dm = std::make_unique<TDataModule1>(p.db);
        m_dm2 = std::make_unique<TDataModule2>();
    }
    ~OdbcRoute() override
    {
        m_form.reset();
        m_dm2.reset();
        m_dm.reset();
        Clock::setFixed({});
    }
    // What is in the file, read without ODBC.
    QVariant stored(const QString& sql)
    {
        QVariant value;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("odbc-check"));
            db.setDatabaseName(program().db.databaseFile());
            db.open();
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("odbc-check"));
        return value;
    }

    TestFolders::Scratch m_scratch;
    std::unique_ptr<TDataModule1> m_dm;
    std::unique_ptr<TDataModule2> m_dm2;
    std::unique_ptr<TMainForm> m_form;
    Messages::Recorder m_messages;
};

TEST_F(OdbcRoute, TheProgramWorksThroughTheDataSource)
{
    ASSERT_TRUE(Connection::isOpen());
    EXPECT_EQ(Connection::database().driverName(), QStringLiteral("QODBC"));

    // A person added through the person dataset, then the main window on it.
    const int id = m_dm->createPerson();
    m_dm->Person.field(QStringLiteral("Name")).setAsString(QStringLiteral("Durand"));
    m_dm->Person.field(QStringLiteral("ForeName")).setAsString(QStringLiteral("Élise"));
    m_dm->Person.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT ForeName FROM PERSON WHERE Id=%1").arg(id)).toString(),
              QStringLiteral("Élise"));

    m_form = ProgramAssembly::mainWindow(*m_dm, *m_dm2);
    m_form->show();
    m_form->findChild<QTabBar*>(QStringLiteral("TabNoteBook"))->setCurrentIndex(TMainForm::Event);
    ASSERT_NE(qobject_cast<GridPage*>(m_form->page(TMainForm::Event)), nullptr);

    // The events page: add through its entry window, the page query shows it.
    NextModal::answer<TEnterEvents>([this](TEnterEvents* w) {
        m_dm->Event.field(QStringLiteral("Time_Event")).setAsString(QStringLiteral("08:15"));
        w->findChild<QPlainTextEdit*>(QStringLiteral("Ed_Description"))
            ->setPlainText(QStringLiteral("Vaccin à l'école"));
        w->findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->click();
    });
    m_form->findChild<QPushButton*>(QStringLiteral("Btn_Event_Add"))->click();
    ASSERT_EQ(m_dm->Event.recordCount(), 1) << m_messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(m_dm->Event.field(QStringLiteral("Date_Event")).asString(), QStringLiteral("09/12/2026"));
    EXPECT_EQ(m_dm->Event.field(QStringLiteral("Description")).asString(),
              QStringLiteral("Vaccin à l'école"));
    EXPECT_EQ(stored(QStringLiteral("SELECT Date_Event FROM EVENT WHERE Id_Ref=%1").arg(id)).toString(),
              QStringLiteral("2026-12-09"))
        << "dates are stored as on the direct route";

    // An act with its practitioner, read back through the joined query of the "Actes" page.
    m_dm->Lst_Doctor.open();
    m_dm->Lst_Doctor.append();
    m_dm->Lst_Doctor.field(QStringLiteral("Name")).setAsString(QStringLiteral("Dr Roux"));
    m_dm->Lst_Doctor.field(QStringLiteral("Category")).setAsString(QStringLiteral("Pédiatre"));
    m_dm->Lst_Doctor.post();
    const int doctor = m_dm->Lst_Doctor.field(QStringLiteral("Id")).asInteger();
    m_dm->Action.open();
    m_dm->Action.append();
    m_dm->Action.field(QStringLiteral("Id_Ref")).setAsInteger(id);
    m_dm->Action.field(QStringLiteral("Tag")).setAsInteger(1);
    m_dm->Action.field(QStringLiteral("Id_Org")).setAsInteger(doctor);
    m_dm->Action.field(QStringLiteral("Price")).setAsString(QStringLiteral("12,5"));
    m_dm->Action.field(QStringLiteral("Repayment")).setAsBoolean(true);
    m_dm->Action.post();
    m_dm->Action.close();
    Dataset& acts = m_dm->ConsultQuery;
    acts.setWhereLine(QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=%1").arg(id));
    acts.open();
    ASSERT_EQ(acts.recordCount(), 1);
    EXPECT_TRUE(acts.fieldNames().contains(QStringLiteral("LST_DOCTOR.Category")));
    EXPECT_EQ(acts.field(QStringLiteral("Doctor")).asString(), QStringLiteral("Dr Roux (Pédiatre)"));
    EXPECT_EQ(acts.field(QStringLiteral("Repayment")).asString(), QStringLiteral("Oui"));
    EXPECT_EQ(acts.field(QStringLiteral("Price")).asMoney(), Money::Amount::fromDouble(12.5));
    EXPECT_EQ(acts.field(QStringLiteral("Date_Action")).asString(), QStringLiteral("09/12/2026"));
    acts.close();

    // Changed and posted through the rowid, then the person deleted in one transaction.
    m_dm->Event.edit();
    m_dm->Event.field(QStringLiteral("Date_Event")).setAsString(QStringLiteral("01/02/2025"));
    m_dm->Event.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT Date_Event FROM EVENT WHERE Id_Ref=%1").arg(id)).toString(),
              QStringLiteral("2025-02-01"));
    ASSERT_TRUE(m_dm->Person.locateId(id));
    m_dm->deletePerson();
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM EVENT WHERE Id_Ref=%1").arg(id)).toInt(), 0);
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM PERSON WHERE Id=%1").arg(id)).toInt(), 0);
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM [ACTION] WHERE Id_Ref=%1").arg(id)).toInt(), 0);
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.texts().join(QLatin1Char('|')).toStdString();
}

// The update scripts run on a direct connection of their own, where their
// statements are guarded; the program's data source is open again afterwards.
TEST_F(OdbcRoute, UpdateScriptsRunGuardedAndTheDataSourceIsBackAfterwards)
{
    const QString outside = m_scratch.path() + QStringLiteral("dehors.db");
    TestFolders::writeFile(m_scratch.path() + QStringLiteral("essai.maj"),
                           "SqlExe{INSERT INTO EVENT (Id_Ref, Description) VALUES (1, 'mise a jour')}\n"
                           "SqlExe{ATTACH DATABASE '" +
                               outside.toUtf8() + "' AS e}\n");
    const QString backup = StartupUpdate::run(program().folders, program().db, {});
    EXPECT_TRUE(backup.contains(QStringLiteral("/Backup/Maj/BRIVOLINE_ACCESS_BACKUP_MAJ_")))
        << backup.toStdString();
    EXPECT_TRUE(QFileInfo(backup).size() > 0);
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM EVENT WHERE Description='mise a jour'")).toInt(),
              1);
    EXPECT_FALSE(TestFolders::exists(outside));
    ASSERT_TRUE(Connection::isOpen());
    EXPECT_EQ(Connection::database().driverName(), QStringLiteral("QODBC"));
    EXPECT_FALSE(TestFolders::exists(m_scratch.path() + QStringLiteral("essai.maj")));
}

TEST(OdbcRouteOpen, AnUnregisteredDataSourceIsTheDriverManagersError)
{
    odbcFiles();
    TestFolders::Scratch scratch;
    DbConfig config;
    config.kind = DbConfig::Kind::Odbc;
    config.odbcName = QStringLiteral("NOT_REGISTERED_HERE");
    config.databaseFolder = scratch.path();
    TestFolders::copyTemplate(config.databaseFile());
    try {
        Connection::open(config);
        ADD_FAILURE() << "opened a data source that does not exist";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Data source name not found")))
            << e.text().toStdString();
    }
    EXPECT_FALSE(Connection::isOpen());
}

} // namespace
