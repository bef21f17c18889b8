#include "StartupSequence.h"

#include "Connection.h"
#include "DatabaseRecovery.h"
#include "DbIni.h"
#include "Errors.h"
#include "FileUtils.h"
#include "Messages.h"
#include "Money.h"
#include "OrderlyClose.h"
#include "Product.h"
#include "ProgramState.h"
#include "Provisioning.h"
#include "RecordsLock.h"
#include "SignalCloser.h"
#include "SingleInstance.h"
#include "StartupAdoption.h"
#include "StartupUpdate.h"
#include "TMdacMsg.h"
#include "TSplash.h"
#include "WriteTest.h"

#include <cstdio>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QProgressBar>
#include <QSqlDatabase>
#include <QTimer>
#include <QWidget>

const QString StartupSequence::kConnectionFailedMessage =
    QStringLiteral(
        "EXECUTION IMPOSSIBLE !!\r\rCe logiciel a rencontré un problème lors de la connexion à la base de "
        "données.\rContactez le support par email pour tenter de trouver une solution : ") +
    Product::supportAddress;

QString StartupSequence::alreadyRunningMessage()
{
    return Product::name + QStringLiteral(" est déjà en exécution.");
}

StartupSequence::StartupSequence(DesktopEnvironment desktop) : m_desktop(std::move(desktop)) {}

StartupSequence::~StartupSequence() = default;

bool StartupSequence::lockRecords(const QString& databaseFile)
{
    m_records = std::make_unique<RecordsLock>(databaseFile);
    if (m_records->acquire())
        return true;
    Messages::warning(m_records->inUseMessage());
    return false;
}

// Steps 3 to 9: folders, db.ini, provisioning, the write test, the settings.
bool StartupSequence::prepare()
{
    ProgramState& p = program();
    try {
        p.folders.data = FolderSetup::resolveDataFolder(p.folders, m_desktop);
        p.db = DbIni::read(p.folders);
        p.folders.database = p.db.databaseFolder;
        // The records are locked before anything is written beside them;
        // at a first start, once provisioning has made their folder.
        const bool folderThere = QFileInfo(QFileInfo(p.db.databaseFile()).absolutePath()).isDir();
        if (folderThere && !lockRecords(p.db.databaseFile()))
            return false;
        if (!Provisioning::run(p.folders, p.db))
            return false;
        if (!folderThere && !lockRecords(p.db.databaseFile()))
            return false;
        if (!writeTest(Product::name + QLatin1Char(' ') + Product::version,
                       p.folders.data + QStringLiteral("write.tmp")))
            return false;
        p.settings = Settings::read(p.folders.iniFile());
        // Written back when the program closes.
        p.settings.firstLaunch = false;
    } catch (const AppError& e) {
        // A configuration file that exists but cannot be read, or that names
        // a file for a folder: never a reason to go on with defaults.
        Messages::error(e.text());
        return false;
    }
    if (p.settings.testMdac && !Connection::engineVersionSufficient()) {
        TMdacMsg mdac(p.folders.program + QStringLiteral("html/mdac.htm"));
        mdac.exec();
    }
    return true;
}

int StartupSequence::run(const StartupHooks& hooks)
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Money::normaliseCurrencySymbol();
    QApplication::setApplicationDisplayName(Product::name);
    ProgramState& p = program();
    p.folders = Folders::forProgramFolder(Folders::programFolderOf(FileUtils::executablePath()),
                                          FileUtils::executablePath());

    SingleInstance instance(QStringLiteral("BRIVOLINE"));
    try {
        if (!instance.acquire()) {
            Messages::information(alreadyRunningMessage());
            return 0;
        }
    } catch (const FileError& e) {
        Messages::error(e.text());
        return 1;
    }
    // Installed before anything is written, so a kill during start-up still
    // ends with an orderly close once the main window exists.
    bool terminationRequested = false;
    SignalCloser closer([&terminationRequested] {
        terminationRequested = true;
        QApplication::closeAllWindows();
    });
    if (!prepare())
        return 1;

    auto splash = std::make_unique<TSplash>();
    if (p.settings.splash)
        splash->show();
    splash->bar()->setMaximum(8);
    splash->setProgress(1);
    splash->setStatus(QStringLiteral("Chargement du logiciel ..."));
    splash->setProgress(4);

    // A Windows database where the program expects its own: converted, or
    // start-up stops with nothing changed.
    if (!StartupAdoption::offerAtStart(p.folders, p.db))
        return 1;

    // Start-up that cannot go on leaves no window behind. No message when
    // the user has been told already.
    const auto abandon = [&](const QString& message) {
        splash.reset();
        if (hooks.destroyDataModules)
            hooks.destroyDataModules();
        if (!message.isEmpty())
            Messages::error(message);
        return 1;
    };
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        Messages::plain(
            QStringLiteral("Le pilote de base de données SQLite de Qt (QSQLITE) est introuvable."));
        return abandon(kConnectionFailedMessage);
    }
    // The data modules, made anew after a recovery replaced the database.
    bool damaged = false;
    const auto connect = [&] {
        if (hooks.destroyDataModules)
            hooks.destroyDataModules();
        damaged = false;
        try {
            hooks.createDataModules();
        } catch (const DamagedDatabaseError&) {
            damaged = true;
        } catch (const AppError& e) {
            Messages::plain(e.text());
            return false;
        }
        return true;
    };
    if (!connect())
        return abandon(kConnectionFailedMessage);

    // A damaged database is said to be so, with the way back, before
    // anything runs on it. The whole file is read when the last session did
    // not close in order, met damage, or the file changed since; otherwise
    // the catalogue alone, and the statements run from here on report any
    // damaged page they meet.
    DatabaseRecovery recovery(p.db, hooks.backups);
    const QString databaseFile = p.db.databaseFile();
    const bool closedInOrder = OrderlyClose::take(databaseFile);
    if (damaged || !(closedInOrder ? Connection::damageOfCatalogue(Connection::database())
                                   : Connection::damageOf(Connection::database()))
                        .isEmpty()) {
        if (!recovery.recoverDamaged())
            return abandon({});
        if (!connect())
            return abandon(kConnectionFailedMessage);
        if (damaged)
            return abandon(DatabaseRecovery::damagedMessage(databaseFile));
    }

    // Step 13: the database brought to the program's version by the update
    // scripts; progress texts go to the splash's status line, shown or not.
    QString updateBackup;
    const auto update = [&] {
        try {
            updateBackup = StartupUpdate::run(p.folders, p.db,
                                              [&splash](const QString& text) { splash->setStatus(text); });
        } catch (const AppError& e) {
            abandon(StartupUpdate::failureMessage(e.text(), p.folders));
            return false;
        }
        return true;
    };
    if (!update())
        return 1;

    // Checked once the update scripts have had their say: a table or column
    // still missing would only show as a failing query in the main window.
    if (const QString missing = Connection::missingSchemaPart(); !missing.isEmpty()) {
        if (!recovery.recoverIncomplete(missing, updateBackup))
            return abandon({});
        // What was put back goes through the update as at any start.
        if (!connect())
            return abandon(kConnectionFailedMessage);
        if (damaged)
            return abandon(DatabaseRecovery::damagedMessage(p.db.databaseFile()));
        if (!update())
            return 1;
        if (const QString still = Connection::missingSchemaPart(); !still.isEmpty())
            return abandon(DatabaseRecovery::incompleteMessage(p.db.databaseFile(), still, {}));
    }

    splash->setProgress(5);
    splash->setStatus(QStringLiteral("Chargement du logiciel ..."));
    splash->setProgress(6);
    splash->setProgress(7);
    std::unique_ptr<QWidget> mainWindow;
    try {
        mainWindow = hooks.createMainWindow();
    } catch (const AppError& e) {
        return abandon(e.text());
    }
    splash->setProgress(8);
    splash.reset();

    mainWindow->show();
    const bool benchmark = qEnvironmentVariableIsSet("BRIVOLINE_QUIT_AFTER_SHOW");
    if (benchmark || terminationRequested) {
        // The start-up benchmark reports how long it took to show the window,
        // then both close as a user would.
        QTimer::singleShot(0, mainWindow.get(), [&sinceStart, benchmark] {
            if (benchmark)
                std::fprintf(stderr, "shown-after-ms %lld\n", static_cast<long long>(sinceStart.elapsed()));
            QApplication::closeAllWindows();
        });
    }
    QApplication::exec();

    mainWindow.reset();
    if (hooks.destroyDataModules)
        hooks.destroyDataModules();
    // The connection is closed: the next start may leave most of the file
    // unread, unless this session met a damaged page.
    if (!Connection::damageMet())
        OrderlyClose::record(databaseFile);
    try {
        p.settings.write(p.folders.iniFile());
    } catch (const FileError& e) {
        Messages::error(e.text());
        return 1;
    }
    return 0;
}
