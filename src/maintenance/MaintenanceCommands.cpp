#include "MaintenanceCommands.h"

#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "BusyCursor.h"
#include "Clock.h"
#include "CommandNames.h"
#include "Compaction.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "FileDialogs.h"
#include "FileUtils.h"
#include "Messages.h"
#include "PersonPage.h"
#include "ProgramState.h"
#include "Restore.h"
#include "SafetyArchive.h"
#include "SealedFormat.h"
#include "TBackupList.h"
#include "TBackupPassword.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TWait.h"
#include "UpdateEngine.h"
#include "WindowsDatabase.h"

#include <optional>
#include <QApplication>
#include <QLabel>

namespace MaintenanceCommands {
namespace {

const QString kArchiveFilter = QStringLiteral("Sauvegarde base de donnée|*bkp");

// The progress window of an operation, centred over the main window; it
// also shows the progress of an update script run on a restored database.
// It has no parent: a child of the main window would be disabled with it.
class WaitWindow final : public MaintenanceProgress, public UpdateGauge
{
public:
    WaitWindow(QWidget* over, const QString& task, bool withBar, bool cancellable = false)
    {
        m_wait.setTask(task);
        m_wait.setBarVisible(withBar);
        m_wait.setCancellable(cancellable);
        m_wait.setTotal(1);
        m_wait.adjustSize();
        if (over)
            m_wait.move(over->geometry().center() - m_wait.rect().center());
        else
            m_wait.centreInWorkArea();
        m_wait.show();
        QApplication::processEvents();
    }
    ~WaitWindow() override { m_wait.close(); }
    WaitWindow(const WaitWindow&) = delete;
    WaitWindow& operator=(const WaitWindow&) = delete;

    void task(const QString& text) override
    {
        m_wait.setTask(text);
        QApplication::processEvents();
    }
    void message(const QString& text) override
    {
        m_wait.setMessage(text);
        QApplication::processEvents();
    }
    bool cancelled() const override
    {
        QApplication::processEvents();
        return m_wait.cancelRequested();
    }
    void committing() override { m_wait.setCancellable(false); }
    void bar(qint64 done, qint64 total) override
    {
        m_wait.setBarVisible(total > 0);
        if (total != m_total)
            m_wait.setTotal(m_total = total);
        m_wait.setPosition(done);
    }

    // An update script: its texts in the task line, a little larger.
    void start(int lines) override
    {
        auto* label = m_wait.findChild<QLabel*>(QStringLiteral("Lab_Task"));
        QFont font = label->font();
        font.setPointSize(11);
        label->setFont(font);
        m_lines = 0;
        bar(0, lines);
    }
    void setText(const QString& text) override { task(text); }
    void advance(int lines) override { bar(m_lines += lines, m_total); }
    void finish() override {}

private:
    TWait m_wait;
    qint64 m_total = 1;
    qint64 m_lines = 0;
};

// The database closed for the life of the object, the main window disabled;
// reopen() brings both back on the person that was current, or the first
// one when the restored records have no such person.
class ClosedDatabase
{
public:
    ClosedDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2) : m_host(host), m_dm(dm1)
    {
        m_personId = DatasetUtils::currentId(dm1.Person);
        host.window()->setEnabled(false);
        dm1.Person.disableControls();
        for (QObject* module : {static_cast<QObject*>(&dm1), static_cast<QObject*>(&dm2)})
            for (Dataset* dataset : module->findChildren<Dataset*>())
                dataset->close();
        Connection::close();
    }
    ~ClosedDatabase()
    {
        if (!m_reopened) {
            try {
                reopen();
            } catch (const AppError& e) {
                Messages::error(e.text());
            }
        }
    }
    ClosedDatabase(const ClosedDatabase&) = delete;
    ClosedDatabase& operator=(const ClosedDatabase&) = delete;

    void reopen()
    {
        m_reopened = true;
        Dataset& person = m_dm.Person;
        const auto enable = [this, &person] {
            if (person.controlsDisabled())
                person.enableControls();
            m_host.window()->setEnabled(true);
        };
        try {
            Connection::open(program().db);
            person.open();
            const int id = m_personId >= 0 && person.locateId(m_personId) ? m_personId : -1;
            enable();
            m_host.RefreshPersonList(id);
            m_host.RefreshCurrentPage();
            m_host.RefreshCommandStates();
        } catch (...) {
            enable();
            throw;
        }
    }

private:
    MainWindowHost& m_host;
    TDataModule1& m_dm;
    int m_personId = -1;
    bool m_reopened = false;
};

// What every operation does before its progress window shows: a pending
// change of the person saved, the busy cursor, the first page in front.
void prepare(MainWindowHost& host, TDataModule1& dm)
{
    DatasetUtils::saveIfEditing(dm.Person);
    host.showPage(0);
}

// An encrypted archive's password, asked until it is right, and the keys it
// gives. Nothing for a plain archive or when the user gives up. Throws
// CabinetError for a damaged header.
std::unique_ptr<Restore::Encryption> unlock(const QString& archive, QWidget* parent)
{
    if (!ArchiveFile::isEncrypted(archive))
        return nullptr;
    const Sealed::Header header = Sealed::Header::read(archive);
    while (std::optional<Secret> password = TBackupPassword::ask(archive, parent)) {
        try {
            BusyCursor busy;
            return std::make_unique<Restore::Encryption>(header, *password);
        } catch (const Sealed::WrongPassword& e) {
            Messages::error(e.text());
        }
    }
    return nullptr;
}

RecordSet records()
{
    const ProgramState& p = program();
    return RecordSet::of(p.folders, p.db);
}

} // namespace

void backupDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2)
{
    const RecordSet set = records();
    FileUtils::makeFolder(set.backupFolder());
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Localisation de la sauvegarde");
    request.filter = kArchiveFilter;
    request.defaultExtension = QStringLiteral("bkp");
    request.fileName = BackupArchive::proposedPath(set, Clock::today());
    request.confirmOverwrite = true;
    const QString target = FileDialogs::choose(request);
    if (target.isEmpty())
        return;
    std::optional<TBackupPassword::Choice> choice = TBackupPassword::choose(host.window());
    if (!choice)
        return;
    std::optional<QString> failure;
    {
        BusyCursor busy;
        // Derived while the database is compacted.
        std::optional<Sealed::PendingKey> key;
        if (choice->password)
            key.emplace(std::move(*choice->password));
        prepare(host, dm1);
        // Written before the work, so that a failed backup leaves its trace too.
        BackupHistory::add(dm1.Backup, BackupHistory::kBackup, target);
        WaitWindow wait(host.window(), QStringLiteral("Sauvegarde de la base"), true);
        ClosedDatabase closed(host, dm1, dm2);
        try {
            BackupArchive::backup(set, target, wait, key ? &*key : nullptr);
        } catch (const AppError& e) {
            failure = e.text();
        }
        closed.reopen();
    }
    if (failure)
        Messages::error(QStringLiteral("La sauvegarde n'a pas été faite :\r%1").arg(*failure));
    else
        Messages::information(QStringLiteral("Sauvegarde effectuée."));
}

void restoreDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2,
                     SafetyArchive::Background& safety)
{
    const RecordSet set = records();
    FileDialogs::Request request;
    request.title = QStringLiteral("Sélectionnez la base de données à restaurer");
    request.filter = kArchiveFilter;
    request.defaultExtension = QStringLiteral("bkp");
    request.fileName = set.backupFolder();
    const QString archive = FileDialogs::choose(request);
    if (archive.isEmpty())
        return;
    const auto refused = [&archive](const QString& why) {
        return QStringLiteral("La sauvegarde \"%1\" n'a pas été restaurée :\r%2\r\rVos données n'ont pas été "
                              "modifiées.")
            .arg(FileUtils::shownPath(archive), why);
    };
    std::unique_ptr<Restore::Encryption> unlocked;
    try {
        unlocked = unlock(archive, host.window());
    } catch (const CabinetError& e) {
        Messages::error(refused(e.text()));
        return;
    }
    if (ArchiveFile::isEncrypted(archive) && !unlocked)
        return;
    std::optional<QString> failure;
    QString leftOut;
    {
        BusyCursor busy;
        prepare(host, dm1);
        WaitWindow wait(host.window(), QStringLiteral("Préparation de la restauration"), true);
        ClosedDatabase closed(host, dm1, dm2);
        try {
            leftOut = Restore::run(set, archive, wait, &wait, unlocked.get()).leftOutText();
        } catch (const Restore::NotRestored& e) {
            failure = refused(e.text());
        } catch (const AppError& e) {
            failure = e.text();
        }
        closed.reopen();
    }
    // What the restore replaced is archived while the user goes on.
    safety.start();
    if (failure)
        Messages::error(*failure);
    else if (leftOut.isEmpty())
        Messages::information(QStringLiteral("Sauvegarde restaurée."));
    else
        Messages::information(QStringLiteral("Sauvegarde restaurée.\r\r") + leftOut);
}

void importWindowsDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2,
                           SafetyArchive::Background& safety)
{
    const RecordSet set = records();
    FileDialogs::Request request;
    request.title = QStringLiteral("Sélectionnez la base de données Windows à importer");
    request.filter = QStringLiteral("Base de données Windows (BRIVOLINE.MDB)|*.mdb");
    request.defaultExtension = QStringLiteral("mdb");
    const QString jetFile = FileDialogs::choose(request);
    if (jetFile.isEmpty())
        return;
    FileDialogs::Request folderRequest;
    folderRequest.mode = FileDialogs::Request::Mode::Folder;
    folderRequest.title = QStringLiteral("Sélectionnez le dossier qui contient ses dossiers Images et Files");
    folderRequest.fileName = WindowsDatabase::filesFolderBeside(jetFile);
    const QString filesFolder = FileDialogs::choose(folderRequest);
    if (filesFolder.isEmpty())
        return;
    if (!Messages::ask(
            QStringLiteral("Les données actuelles vont être remplacées par celles de la base de données "
                           "Windows \"%1\", avec les images et les fichiers joints du dossier \"%2\".\r"
                           "Une sauvegarde de sécurité des données actuelles est faite d'abord dans le "
                           "dossier Backup.\r\rConfirmez-vous l'importation ?")
                .arg(FileUtils::shownPath(jetFile), FileUtils::shownPath(filesFolder))))
        return;
    std::optional<QString> failure;
    Restore::Result result;
    {
        BusyCursor busy;
        prepare(host, dm1);
        WaitWindow wait(host.window(), QStringLiteral("Importation de la base de données Windows"), true,
                        true);
        ClosedDatabase closed(host, dm1, dm2);
        try {
            result = Restore::importWindowsDatabase(set, jetFile, filesFolder, wait, &wait);
            // Written before the user is told where it is.
            safety.finish(wait);
        } catch (const Restore::NotRestored& e) {
            failure = QStringLiteral(
                          "La base de données Windows \"%1\" n'a pas été importée :\r%2\r\rVos données n'ont "
                          "pas été modifiées.")
                          .arg(FileUtils::shownPath(jetFile), e.text());
        } catch (const AppError& e) {
            failure = e.text();
        }
        closed.reopen();
    }
    if (failure)
        Messages::error(*failure);
    else {
        QString text =
            QStringLiteral("Base de données Windows importée. Les données d'avant sont gardées dans la "
                           "sauvegarde de sécurité \"%1\".")
                .arg(FileUtils::shownPath(result.safetyArchive));
        if (const QString leftOut = result.leftOutText(); !leftOut.isEmpty())
            text += QStringLiteral("\r\r") + leftOut;
        Messages::information(text);
    }
}

void showBackupHistory(MainWindowHost& host, TDataModule1& dm1)
{
    TBackupList list(dm1, host.window());
    list.exec();
}

void compactDatabase(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2)
{
    if (!Messages::ask(QStringLiteral("Confirmez-vous le compactage de la base de données ?")))
        return;
    const RecordSet set = records();
    std::optional<QString> failure;
    {
        BusyCursor busy;
        prepare(host, dm1);
        BackupHistory::add(dm1.Backup, BackupHistory::kCompaction, set.databaseFile());
        WaitWindow wait(host.window(), QStringLiteral("Compactage de la base"), false);
        ClosedDatabase closed(host, dm1, dm2);
        try {
            Compaction::compactInPlace(set.databaseFile());
        } catch (const AppError& e) {
            failure = e.text();
        }
        closed.reopen();
    }
    if (failure)
        Messages::error(*failure);
    else
        Messages::information(QStringLiteral("Compactage effectué."));
}

QString restoreAtStart(const QString& archive)
{
    const std::unique_ptr<Restore::Encryption> unlocked = unlock(archive, nullptr);
    if (ArchiveFile::isEncrypted(archive) && !unlocked)
        throw Restore::NotRestored(QStringLiteral("son mot de passe n'a pas été donné."));
    BusyCursor busy;
    WaitWindow wait(nullptr, QStringLiteral("Préparation de la restauration"), true);
    const RecordSet set = records();
    const QString safety = Restore::run(set, archive, wait, &wait, unlocked.get()).safetyArchive;
    // Written before the user is told where it is.
    SafetyArchive::finish(set, wait);
    return safety;
}

void installCommands(MainWindowHost& host, TDataModule1& dm1, TDataModule2& dm2)
{
    // Lives as long as the main window, whose end waits for the archive
    // being written.
    auto* safety = new SafetyArchive::Background(records(), host.window());
    safety->failed = [](const QString& text) { Messages::error(text); };
    host.setCommand(Commands::BackupDatabase, [&] { backupDatabase(host, dm1, dm2); });
    host.setCommand(Commands::RestoreDatabase, [&, safety] { restoreDatabase(host, dm1, dm2, *safety); });
    host.setCommand(Commands::ImportWindowsDatabase,
                    [&, safety] { importWindowsDatabase(host, dm1, dm2, *safety); });
    host.setCommand(Commands::BackupHistory, [&] { showBackupHistory(host, dm1); });
    host.setCommand(Commands::CompactDatabase, [&] { compactDatabase(host, dm1, dm2); });
}

} // namespace MaintenanceCommands
