// The "Base de données" commands through the assembled main window, on a
// real household: backup, change, restore and compaction, plain and
// encrypted, the history window, and what the user is told.
#include "MaintenanceCommands.h"

#include "ArchiveFile.h"
#include "BackgroundRecognition.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "CommandNames.h"
#include "Compaction.h"
#include "DatasetUtils.h"
#include "FileDialogs.h"
#include "FileUtils.h"
#include "HouseholdFixture.h"
#include "JetHousehold.h"
#include "JetSamples.h"
#include "MaintenanceSamples.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "Restore.h"
#include "SafetyArchive.h"
#include "SealedFormat.h"
#include "TBackupList.h"
#include "TBackupPassword.h"
#include "TestFolders.h"
#include "TMainForm.h"
#include "TWait.h"
#include "WindowsDatabase.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace MaintenanceSamples;

namespace {

class MaintenanceCommands : public ::testing::Test
{
protected:
    MaintenanceCommands()
    {
        m_first = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_second = m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
        m_set = RecordSet::of(program().folders, program().db);
        Connection::close();
        populate(m_set, 0, 6, 3, 10);
        Connection::open(program().db);
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        // The text of the household's documents would be stored while a
        // command waits on a question, which these tests compare before and
        // after: the pass is stopped, the document already being read let finish.
        auto* recognition = m_form->findChild<BackgroundRecognition*>();
        recognition->cancel();
        QElapsedTimer waited;
        waited.start();
        while (recognition->isBusy() && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        m_form->show();
        select(m_second);
        // The password window, answered from the queue; cancelled when it is empty.
        QObject::connect(&m_passwordWatch, &QTimer::timeout, [this] {
            auto* window = qobject_cast<TBackupPassword*>(QApplication::activeModalWidget());
            if (!window || !window->isVisible())
                return;
            m_passwordTitles << window->windowTitle();
            if (m_passwords.isEmpty()) {
                window->reject();
                return;
            }
            const PasswordAnswer answer = m_passwords.takeFirst();
            if (auto* encrypt = window->findChild<QCheckBox*>(QStringLiteral("Chk_Encrypt")))
                encrypt->setChecked(answer.encrypt);
            window->findChild<QLineEdit*>(QStringLiteral("Ed_Password"))->setText(answer.password);
            if (auto* confirm = window->findChild<QLineEdit*>(QStringLiteral("Ed_Confirm")))
                confirm->setText(answer.confirm.isNull() ? answer.password : answer.confirm);
            if (answer.inspect)
                answer.inspect(*window);
            auto* ok = window->findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
            if (ok->isEnabled())
                ok->click();
            else
                window->reject();
        });
        m_passwordWatch.start(5);
    }

    void select(int id)
    {
        m_form->RefreshPersonList(id);
        ASSERT_EQ(DatasetUtils::currentId(m_household.dm().Person), id);
    }
    // Runs a menu entry, watching the main window and the progress window.
    void trigger(CommandName name)
    {
        QAction* action = m_form->findChild<QAction*>(name.objectName());
        ASSERT_TRUE(action && action->isEnabled()) << name.designName();
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* wait = qobject_cast<TWait*>(w); wait && wait->isVisible()) {
                    m_sawWait = true;
                    m_disabledMeanwhile = m_disabledMeanwhile || !m_form->isEnabled();
                    m_waitDisabled = m_waitDisabled || !wait->isEnabled();
                    m_tasks << wait->findChild<QLabel*>(QStringLiteral("Lab_Task"))->text();
                    auto* cancel = wait->findChild<QPushButton*>(QStringLiteral("Btn_Cancel"));
                    m_cancelOffered = m_cancelOffered || cancel->isVisible();
                    if (cancel->isVisible() && !m_clickCancelAt.isEmpty() &&
                        m_tasks.last().startsWith(m_clickCancelAt))
                        cancel->click();
                }
        });
        watch.start(0);
        action->trigger();
        watch.stop();
    }
    QString backup(const QString& name, const QString& password = {})
    {
        const QString target = m_set.backupFolder() + name;
        m_dialogs.queueAnswer(target);
        m_passwords << PasswordAnswer{!password.isEmpty(), password};
        trigger(Commands::BackupDatabase);
        return target;
    }
    // Then waits for the safety archive, which the program writes while the
    // user goes on.
    void restore(const QString& archive)
    {
        m_dialogs.queueAnswer(archive);
        trigger(Commands::RestoreDatabase);
        NoProgress quiet;
        m_form->findChild<SafetyArchive::Background*>()->finish(quiet);
    }
    int currentPerson() { return DatasetUtils::currentId(m_household.dm().Person); }

    struct PasswordAnswer
    {
        bool encrypt = false;
        QString password;
        QString confirm = {}; // the password when null
        std::function<void(TBackupPassword&)> inspect = {};
    };
    QList<PasswordAnswer> m_passwords;
    QStringList m_passwordTitles;
    QTimer m_passwordWatch;

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    FileDialogs::Recorder m_dialogs;
    std::unique_ptr<TMainForm> m_form;
    RecordSet m_set;
    int m_first = 0;
    int m_second = 0;
    bool m_sawWait = false;
    bool m_disabledMeanwhile = false;
    bool m_waitDisabled = false; // greyed out with the main window
    QStringList m_tasks;
    bool m_cancelOffered = false;
    QString m_clickCancelAt; // the progress window's cancel button clicked once this task shows
};

TEST_F(MaintenanceCommands, BackupChangeRestoreGivesBackEveryRowAndFileAndKeepsTheStateBefore)
{
    const QString archive = backup(QStringLiteral("famille.bkp"));
    ASSERT_EQ(m_messages.texts(), QStringList{QStringLiteral("Sauvegarde effectuée.")});
    const FileDialogs::Request& asked = m_dialogs.requests().first();
    EXPECT_EQ(asked.title, QStringLiteral("Localisation de la sauvegarde"));
    EXPECT_EQ(asked.filter, QStringLiteral("Sauvegarde base de donnée|*bkp"));
    EXPECT_EQ(asked.defaultExtension, QStringLiteral("bkp"));
    EXPECT_EQ(asked.fileName, BackupArchive::proposedPath(m_set, QDate::currentDate()));
    EXPECT_TRUE(asked.fileName.endsWith(
        QDate::currentDate().toString(QStringLiteral("'BRIVOLINE_ACCESS_BACKUP_'dd_MM_yyyy'.bkp'"))));
    EXPECT_TRUE(m_sawWait);
    EXPECT_TRUE(m_disabledMeanwhile);
    EXPECT_FALSE(m_waitDisabled);
    EXPECT_TRUE(m_tasks.contains(QStringLiteral("Sauvegarde de la base")));
    EXPECT_TRUE(m_form->isEnabled());
    EXPECT_EQ(currentPerson(), m_second) << "the same person again";
    EXPECT_EQ(m_form->visiblePage(), TMainForm::General);

    // Read by another tool: every entry sound, in the designed order.
    EXPECT_TRUE(
        run(QStringLiteral("cabextract"), {QStringLiteral("-t"), archive}).contains("All done, no errors"));
    QStringList listed;
    for (const QByteArray& line :
         run(QStringLiteral("cabextract"), {QStringLiteral("-l"), archive}).split('\n'))
        if (line.contains(" | ") && !line.endsWith("| Name"))
            listed << QString::fromUtf8(line.mid(line.lastIndexOf('|') + 2)).trimmed();
    QStringList expected{QStringLiteral("BRIVOLINE.MDB")};
    for (int id = 10; id < 16; ++id)
        expected << QStringLiteral("Doc%1.jpg").arg(id);
    for (int id = 10; id < 13; ++id)
        expected << QStringLiteral("File%1.f").arg(id);
    EXPECT_EQ(listed, expected);
    const QStringList history = historyOf(m_set.databaseFile());
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history.last(), BackupHistory::kBackup + QLatin1Char('|') + archive);
    const Snapshot saved = snapshot(m_set);

    // Changes of every kind, and strays an older restore could have left.
    m_household.addPerson(QStringLiteral("Nouveau"), QStringLiteral("Venu"));
    QFile::remove(m_set.imagesFolder() + QStringLiteral("Doc11.jpg"));
    TestFolders::writeFile(m_set.imagesFolder() + QStringLiteral("Doc99.jpg"), jpeg(99));
    TestFolders::writeFile(m_set.filesFolder() + QStringLiteral("File12.f"), "remplacé");
    TestFolders::writeFile(m_set.backupFolder() + QStringLiteral("Doc77.jpg"), jpeg(77));
    TestFolders::writeFile(m_set.backupFolder() + QStringLiteral("BRIVOLINE.MDB"), "pas une base");
    select(m_first);
    const Snapshot changed = snapshot(m_set);
    m_messages.clear();
    m_tasks.clear();

    restore(archive);
    ASSERT_EQ(m_messages.texts(), QStringList{QStringLiteral("Sauvegarde restaurée.")});
    EXPECT_EQ(m_dialogs.requests().last().title,
              QStringLiteral("Sélectionnez la base de données à restaurer"));
    EXPECT_EQ(m_dialogs.requests().last().mode, FileDialogs::Request::Mode::Open);
    EXPECT_TRUE(m_tasks.contains(QStringLiteral("Préparation de la restauration")));
    EXPECT_TRUE(m_form->isEnabled());
    EXPECT_EQ(currentPerson(), m_first);
    const Snapshot restored = snapshot(m_set);
    EXPECT_EQ(restored.withoutHistory(), saved.withoutHistory()) << "every table and file as backed up";
    EXPECT_FALSE(QFile::exists(m_set.imagesFolder() + QStringLiteral("Doc77.jpg")))
        << "strays are not taken in";
    EXPECT_FALSE(QDir(Restore::stagingFolder(m_set)).exists());

    // The history says where the state before the restore went, once its
    // archive is written; restoring that archive undoes the restore.
    const QStringList rows = historyOf(m_set.databaseFile());
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.first(), history.first());
    EXPECT_EQ(rows.at(1), BackupHistory::kRestore + QLatin1Char('|') + archive);
    EXPECT_TRUE(rows.last().startsWith(BackupHistory::kSafetyBackup + QLatin1Char('|')));
    EXPECT_TRUE(SafetyArchive::pending(m_set).isEmpty());
    const QString safety = rows.last().section(QLatin1Char('|'), 1);
    EXPECT_TRUE(
        safety.startsWith(m_set.backupFolder() + QStringLiteral("BRIVOLINE_ACCESS_AVANT_RESTAURATION_")));
    // The stray picture is in it, but no row names it: left out, and said.
    m_messages.clear();
    restore(safety);
    ASSERT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("Sauvegarde restaurée.\r\rCes fichiers de l'archive n'ont "
                                         "pas été restaurés :\r- 1 fichier qu'aucune fiche ne "
                                         "nomme : Doc99.jpg")});
    EXPECT_EQ(m_messages.messages().first().icon, Messages::Icon::Information);
    Snapshot named = changed.withoutHistory();
    named.files.remove(QStringLiteral("Images/Doc99.jpg"));
    EXPECT_EQ(snapshot(m_set).withoutHistory(), named);
}

TEST_F(MaintenanceCommands, EncryptedBackupRestoresOnlyWithItsPasswordAndKeepsTheSafetyArchiveEncrypted)
{
    const QString word = QStringLiteral("Cheval agrafe 42 pile !");
    // The window: the option, the password twice, how strong it is.
    QStringList hints;
    bool okWithMismatch = true;
    m_dialogs.queueAnswer(m_set.backupFolder() + QStringLiteral("chiffree.bkp"));
    m_passwords << PasswordAnswer{
        true, word, QStringLiteral("autre chose"), [&](TBackupPassword& w) {
            auto* strength = w.findChild<QLabel*>(QStringLiteral("Lab_Strength"));
            hints << strength->text();
            okWithMismatch = w.findChild<QPushButton*>(QStringLiteral("Btn_Ok"))->isEnabled();
            w.findChild<QLineEdit*>(QStringLiteral("Ed_Confirm"))->setText(word);
            hints << strength->text();
            EXPECT_EQ(w.findChild<QLineEdit*>(QStringLiteral("Ed_Password"))->accessibleName(),
                      QStringLiteral("Mot de passe :"));
        }};
    trigger(Commands::BackupDatabase);
    const QString archive = m_set.backupFolder() + QStringLiteral("chiffree.bkp");
    ASSERT_EQ(m_messages.texts(), QStringList{QStringLiteral("Sauvegarde effectuée.")});
    EXPECT_EQ(m_passwordTitles, QStringList{QStringLiteral("Chiffrement de la sauvegarde")});
    EXPECT_EQ(hints, (QStringList{QStringLiteral("Les deux mots de passe diffèrent."),
                                  QStringLiteral("Force du mot de passe : excellente")}));
    EXPECT_FALSE(okWithMismatch);
    ASSERT_TRUE(ArchiveFile::isEncrypted(archive));
    EXPECT_EQ(BackupHistory::encryptedText(archive), QStringLiteral("Oui"));
    EXPECT_FALSE(TestFolders::readFile(archive).contains(word.toUtf8()));
    EXPECT_EQ(currentPerson(), m_second);
    const Snapshot saved = snapshot(m_set);

    m_household.addPerson(QStringLiteral("Nouveau"), QStringLiteral("Venu"));
    TestFolders::writeFile(m_set.filesFolder() + QStringLiteral("File12.f"), "remplacé");
    const Snapshot changed = snapshot(m_set);

    // A wrong password is told, asked again, and giving up changes nothing.
    m_messages.clear();
    m_passwordTitles.clear();
    m_passwords << PasswordAnswer{false, QStringLiteral("mauvais")};
    restore(archive);
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("Mot de passe incorrect.")});
    EXPECT_EQ(m_passwordTitles, QStringList(2, QStringLiteral("Sauvegarde chiffrée")));
    EXPECT_EQ(snapshot(m_set), changed);
    EXPECT_FALSE(QDir(Restore::stagingFolder(m_set)).exists());

    // Damaged, it is refused before anything is staged or kept aside.
    const QStringList backups = FileUtils::listFiles(m_set.backupFolder(), QStringLiteral("*.bkp"));
    QByteArray bytes = TestFolders::readFile(archive);
    const QString damaged = m_set.backupFolder() + QStringLiteral("abimee.bkp");
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x10);
    TestFolders::writeFile(damaged, bytes);
    m_messages.clear();
    m_passwords << PasswordAnswer{false, word};
    restore(damaged);
    ASSERT_EQ(m_messages.texts().size(), 1);
    EXPECT_TRUE(m_messages.texts().first().contains(QStringLiteral("endommagée")))
        << m_messages.texts().first().toStdString();
    EXPECT_TRUE(m_messages.texts().first().contains(QStringLiteral("Vos données n'ont pas été modifiées.")));
    EXPECT_EQ(snapshot(m_set), changed);
    EXPECT_EQ(FileUtils::listFiles(m_set.backupFolder(), QStringLiteral("*.bkp")).size(), backups.size() + 1);

    // The right password: the records as saved, and what they replaced kept
    // in a safety archive that only the same password opens.
    m_messages.clear();
    m_passwords << PasswordAnswer{false, QStringLiteral("presque")} << PasswordAnswer{false, word};
    restore(archive);
    ASSERT_EQ(m_messages.texts(), (QStringList{QStringLiteral("Mot de passe incorrect."),
                                               QStringLiteral("Sauvegarde restaurée.")}));
    EXPECT_EQ(snapshot(m_set).withoutHistory(), saved.withoutHistory());
    const QStringList rows = historyOf(m_set.databaseFile());
    const QString safety = rows.last().section(QLatin1Char('|'), 1);
    ASSERT_TRUE(ArchiveFile::isEncrypted(safety));
    const Sealed::Header header = Sealed::Header::read(safety);
    QByteArray other("presque");
    EXPECT_THROW(Sealed::Key::open(header, Secret::takeBytes(other)), Sealed::WrongPassword);
    m_messages.clear();
    m_passwords << PasswordAnswer{false, word};
    restore(safety);
    ASSERT_EQ(m_messages.texts(), QStringList{QStringLiteral("Sauvegarde restaurée.")});
    EXPECT_EQ(snapshot(m_set).withoutHistory(), changed.withoutHistory());

    // The way back at start, on closed records, asks the same password:
    // given up, nothing changes; given, the records as saved.
    for (QObject* module :
         {static_cast<QObject*>(&m_household.dm()), static_cast<QObject*>(&m_household.dm2())})
        for (Dataset* dataset : module->findChildren<Dataset*>())
            dataset->close();
    Connection::close();
    m_passwordTitles.clear();
    EXPECT_THROW(::MaintenanceCommands::restoreAtStart(archive), Restore::NotRestored);
    EXPECT_EQ(m_passwordTitles, QStringList{QStringLiteral("Sauvegarde chiffrée")});
    EXPECT_EQ(snapshot(m_set).withoutHistory(), changed.withoutHistory());
    m_passwords << PasswordAnswer{false, word};
    EXPECT_TRUE(ArchiveFile::isEncrypted(::MaintenanceCommands::restoreAtStart(archive)));
    EXPECT_EQ(snapshot(m_set).withoutHistory(), saved.withoutHistory());
    Connection::open(program().db);
}

TEST_F(MaintenanceCommands, BackingUpOverAnArchiveReplacesItAndAFailureKeepsIt)
{
    const QString archive = m_set.backupFolder() + QStringLiteral("famille.bkp");
    TestFolders::writeFile(archive, "ancienne sauvegarde");
    backup(QStringLiteral("famille.bkp"));
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("Sauvegarde effectuée.")});
    EXPECT_EQ(Cabinet::list(archive).size(), 1 + 6 + 3);

    // A scratch copy that the compaction cannot remove stops the next backup
    // before anything is written; the archive and the database stay.
    const QByteArray before = TestFolders::readFile(archive);
    const QString scratch = Compaction::scratchFileFor(m_set.databaseFile());
    QDir().mkpath(scratch); // a folder of that name: no file removal takes it
    const Snapshot state = snapshot(m_set);
    m_messages.clear();
    backup(QStringLiteral("famille.bkp"));
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(m_messages.messages().first().icon, Messages::Icon::Error);
    EXPECT_TRUE(m_messages.texts().first().startsWith(QStringLiteral("La sauvegarde n'a pas été faite")));
    EXPECT_TRUE(m_messages.texts().first().contains(QStringLiteral("BRIVOLINE~.MDB")));
    EXPECT_TRUE(m_messages.texts().first().contains(QStringLiteral("compactage interrompu")));
    EXPECT_EQ(TestFolders::readFile(archive), before);
    EXPECT_TRUE(QFileInfo(scratch).isDir());
    QDir().rmdir(scratch);
    EXPECT_EQ(snapshot(m_set).withoutHistory(), state.withoutHistory());
    EXPECT_EQ(historyOf(m_set.databaseFile()).last(), BackupHistory::kBackup + QLatin1Char('|') + archive)
        << "the row of the failed backup stays";
    EXPECT_FALSE(QFile::exists(archive + QStringLiteral(".partial")));
    EXPECT_TRUE(m_form->isEnabled());
    EXPECT_EQ(currentPerson(), m_second);

    // An archive chosen over a file it would hold is refused.
    QFile::remove(scratch);
    const QByteArray picture = TestFolders::readFile(m_set.imagesFolder() + QStringLiteral("Doc10.jpg"));
    m_messages.clear();
    m_dialogs.queueAnswer(m_set.imagesFolder() + QStringLiteral("Doc10.jpg"));
    m_passwords << PasswordAnswer{};
    trigger(Commands::BackupDatabase);
    ASSERT_EQ(m_messages.texts().size(), 1);
    EXPECT_TRUE(m_messages.texts().first().contains(QStringLiteral("fait partie des données sauvegardées")));
    EXPECT_EQ(TestFolders::readFile(m_set.imagesFolder() + QStringLiteral("Doc10.jpg")), picture);
}

TEST_F(MaintenanceCommands, CompactionKeepsEveryRowAndThePersonAndClearsALeftOverScratch)
{
    m_messages.queueAnswer(Messages::Answer::No);
    trigger(Commands::CompactDatabase);
    EXPECT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("Confirmez-vous le compactage de la base de données ?")});
    EXPECT_FALSE(m_sawWait);

    Connection::close();
    execute(m_set.databaseFile(), QStringLiteral("DELETE FROM DOCUMENTIMG WHERE Id > 12"));
    Connection::open(program().db);
    const Snapshot state = snapshot(m_set);
    for (int round = 0; round < 2; ++round) { // compacting what was just compacted changes nothing
        m_messages.clear();
        trigger(Commands::CompactDatabase);
        ASSERT_EQ(m_messages.texts(),
                  (QStringList{QStringLiteral("Confirmez-vous le compactage de la base de données ?"),
                               QStringLiteral("Compactage effectué.")}));
        EXPECT_TRUE(m_tasks.contains(QStringLiteral("Compactage de la base")));
        EXPECT_EQ(currentPerson(), m_second);
        EXPECT_TRUE(m_form->isEnabled());
        EXPECT_EQ(snapshot(m_set).withoutHistory(), state.withoutHistory());
        EXPECT_EQ(historyOf(m_set.databaseFile()).last(),
                  BackupHistory::kCompaction + QLatin1Char('|') + m_set.databaseFile());
    }

    // What a killed compaction leaves is never the only copy: it goes.
    const QString scratch = Compaction::scratchFileFor(m_set.databaseFile());
    TestFolders::writeFile(scratch, "restes");
    TestFolders::writeFile(scratch + QStringLiteral("-journal"), "journal");
    m_messages.clear();
    trigger(Commands::CompactDatabase);
    EXPECT_EQ(m_messages.texts().last(), QStringLiteral("Compactage effectué."));
    EXPECT_FALSE(QFile::exists(scratch));
    EXPECT_FALSE(QFile::exists(scratch + QStringLiteral("-journal")));
    EXPECT_EQ(snapshot(m_set).withoutHistory(), state.withoutHistory());
    EXPECT_EQ(currentPerson(), m_second);
}

TEST_F(MaintenanceCommands, HistoryWindowListsAndPurgesWithoutTouchingArchives)
{
    const QString archive = backup(QStringLiteral("un.bkp"));
    m_messages.clear();
    bool checked = false;
    NextModal::answer<TBackupList>([&](TBackupList* list) {
        EXPECT_EQ(list->windowTitle(), QStringLiteral("Historique des sauvegardes"));
        auto* grid = list->findChild<DatasetGrid*>(QStringLiteral("Grid_Backup"));
        ASSERT_TRUE(grid);
        QStringList titles;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            titles << grid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(titles,
                  (QStringList{QStringLiteral("Date"), QStringLiteral("Heure"), QStringLiteral("Description"),
                               QStringLiteral("Fichier de sauvegarde"), QStringLiteral("Chiffrée")}));
        ASSERT_EQ(grid->model()->rowCount(), 1);
        EXPECT_EQ(grid->model()->index(0, 0).data().toString(),
                  QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        EXPECT_EQ(grid->model()->index(0, 2).data().toString(), BackupHistory::kBackup);
        EXPECT_EQ(grid->model()->index(0, 3).data().toString(), archive);
        EXPECT_EQ(grid->model()->index(0, 4).data().toString(), QStringLiteral("Non"));
        auto* purge = list->findChild<QPushButton*>(QStringLiteral("Btn_Delete"));
        ASSERT_TRUE(purge);
        EXPECT_EQ(purge->text(), QStringLiteral("Purger l'historique"));
        EXPECT_TRUE(purge->isEnabled());

        m_messages.queueAnswer(Messages::Answer::No);
        purge->click();
        EXPECT_EQ(grid->model()->rowCount(), 1);
        purge->click(); // Yes
        EXPECT_EQ(m_messages.texts(),
                  QStringList(2, QStringLiteral("Désirez-vous purger l'historique des sauvegardes ?")));
        EXPECT_EQ(grid->model()->rowCount(), 0);
        EXPECT_FALSE(purge->isEnabled());
        list->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
        checked = true;
    });
    trigger(Commands::BackupHistory);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(historyOf(m_set.databaseFile()).isEmpty());
    EXPECT_TRUE(QFile::exists(archive));
    EXPECT_FALSE(m_household.dm().Backup.isActive()) << "closed with the window";
}

// "Fichier ▸ Importer une base de données Windows…": the Windows database,
// then the folder of its pictures, found above its Access/ folder; the
// question; the progress window, whose cancel button stops the work with
// nothing changed; the second time, the records replaced and the safety
// archive named.
TEST_F(MaintenanceCommands, WindowsDatabaseImportedFromTheFileMenu)
{
    TestFolders::Scratch scratch;
    JetSamples::currentHousehold(scratch.path() + QStringLiteral("source.db"));
    const QString windows = scratch.make(QStringLiteral("Windows/Data"));
    const QString jet = windows + QStringLiteral("Access/BRIVOLINE.MDB");
    QDir().mkpath(windows + QStringLiteral("Access"));
    JetHousehold::copy(scratch.path() + QStringLiteral("source.db"), jet);
    TestFolders::writeFile(windows + QStringLiteral("Images/Doc1.jpg"), jpeg(3));
    const Snapshot before = snapshot(m_set);

    m_dialogs.queueAnswer(jet);
    m_dialogs.queueAnswer(windows);
    m_clickCancelAt = QStringLiteral("Conversion de la table");
    trigger(Commands::ImportWindowsDatabase);
    ASSERT_EQ(m_dialogs.requests().size(), 2);
    EXPECT_EQ(m_dialogs.requests().at(0).title,
              QStringLiteral("Sélectionnez la base de données Windows à importer"));
    EXPECT_EQ(m_dialogs.requests().at(1).mode, FileDialogs::Request::Mode::Folder);
    EXPECT_EQ(m_dialogs.requests().at(1).fileName, windows);
    ASSERT_EQ(m_messages.messages().size(), 2);
    EXPECT_EQ(m_messages.messages().at(0).icon, Messages::Icon::Question);
    EXPECT_TRUE(m_messages.texts().at(1).contains(QStringLiteral("n'a pas été importée")));
    EXPECT_TRUE(m_messages.texts().at(1).contains(QStringLiteral("Vos données n'ont pas été modifiées")));
    EXPECT_TRUE(m_cancelOffered);
    EXPECT_EQ(snapshot(m_set), before);
    EXPECT_TRUE(m_form->isEnabled());

    m_messages.clear();
    m_clickCancelAt.clear();
    m_dialogs.queueAnswer(jet);
    m_dialogs.queueAnswer(windows);
    trigger(Commands::ImportWindowsDatabase);
    ASSERT_EQ(m_messages.messages().size(), 2);
    EXPECT_TRUE(m_messages.texts().at(1).startsWith(QStringLiteral("Base de données Windows importée.")))
        << qPrintable(m_messages.texts().at(1));
    EXPECT_TRUE(m_tasks.contains(QStringLiteral("Conversion de la table ACTION")));
    EXPECT_EQ(valueOf(m_set.databaseFile(), QStringLiteral("SELECT count(*) FROM PERSON")),
              QStringLiteral("2"));
    EXPECT_EQ(snapshot(m_set).files.keys(), QStringList{QStringLiteral("Images/Doc1.jpg")});
    // The safety archive written before the message names it.
    const QStringList rows = historyOf(m_set.databaseFile());
    ASSERT_GE(rows.size(), 2);
    EXPECT_EQ(rows.at(rows.size() - 2), BackupHistory::kWindowsImport + QLatin1Char('|') + jet);
    EXPECT_TRUE(rows.last().startsWith(BackupHistory::kSafetyBackup + QLatin1Char('|')));
    EXPECT_TRUE(QFileInfo::exists(rows.last().section(QLatin1Char('|'), 1)));
    EXPECT_TRUE(m_form->isEnabled());
}

} // namespace
