#include "StartupUpdate.h"

#include "Connection.h"
#include "DatabaseUpdate.h"
#include "DatabaseVersion.h"
#include "Errors.h"
#include "FileUtils.h"
#include "Messages.h"
#include "Product.h"
#include "TNewGauge.h"
#include "UpdateEngine.h"
#include "UpdateLog.h"

#include <QApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

namespace StartupUpdate {
namespace {

const QString kSecondPassConnection = QStringLiteral("IsVersionInBD");
const QString kScriptConnection = QStringLiteral("brivoline-scripts");

// The update's progress window. The hourglass comes with its first text,
// that is once the backup question has been answered.
class GaugeWindow final : public UpdateGauge
{
public:
    ~GaugeWindow() override { finish(); }
    void start(int lines) override
    {
        m_window.setTotal(lines);
        m_window.showCentred();
    }
    void setText(const QString& text) override
    {
        if (!m_busy) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_busy = true;
        }
        m_window.setText(text);
    }
    void advance(int lines) override { m_window.step(lines); }
    void finish() override
    {
        m_window.hide();
        if (m_busy)
            QApplication::restoreOverrideCursor();
        m_busy = false;
    }

private:
    TNewGauge m_window;
    bool m_busy = false;
};

// Where the scripts of the data folder run: on the program's connection, or
// on the ODBC route on a direct SQLite connection of their own to the same
// file, the only kind on which their statements can be guarded.
UpdateTarget programTarget(const Folders& folders, const DbConfig& db)
{
    UpdateTarget target{
        QString(),
        folders.program,
        folders.data,
        db.databaseFolder,
        db.databaseFile(),
        [] { Connection::close(); },
        [db] {
            Connection::open(db);
            if (!Connection::isOpen())
                throw DatabaseError(
                    QStringLiteral("La base de données \"%1\" est introuvable.").arg(db.databaseFile()));
        }};
    if (db.kind != DbConfig::Kind::Odbc)
        return target;
    target.connectionName = kScriptConnection;
    target.closeConnection = [] {
        QSqlDatabase::database(kScriptConnection, false).close();
        QSqlDatabase::removeDatabase(kScriptConnection);
    };
    target.openConnection = [file = db.databaseFile()] {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kScriptConnection);
        connection.setDatabaseName(file);
        connection.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!connection.open())
            throw DatabaseError(
                QStringLiteral("Impossible d'ouvrir la base de données \"%1\" :\r%2.")
                    .arg(FileUtils::shownPath(file), Connection::errorText(connection.lastError())));
    };
    return target;
}

bool sameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace

QString run(const Folders& folders, const DbConfig& db, const Status& status)
{
    if (!QFileInfo(db.databaseFile()).isFile())
        return {};
    const QString valueColumn = QStringLiteral("VALUE");
    // A developer's copy counts as current: only the scripts laid in the
    // data folder by hand run.
    if (QFileInfo::exists(folders.developmentMarker))
        SetBDVersion({}, kVersionTable, valueColumn, Product::databaseVersion);
    const int current = numericVersion(GetBDVersion({}, kVersionTable, valueColumn));
    for (const QString& script :
         DatabaseUpdate::scriptsAfter(folders.program + QStringLiteral("Maj/"), current))
        FolderSetup::copyIfMissing(folders, script);

    const QStringList scripts = FileUtils::listFiles(folders.data, QStringLiteral("*.maj"));
    QString firstBackup;
    if (!scripts.isEmpty()) {
        const UpdateTarget target = programTarget(folders, db);
        const bool ownConnection = !target.connectionName.isEmpty();
        if (ownConnection) {
            Connection::close();
            target.openConnection();
        }
        UpdateEngine engine(target);
        try {
            for (const QString& script : scripts) {
                GaugeWindow gauge;
                engine.run({folders.data, script, true, status, &gauge, &Messages::ask});
            }
        } catch (...) {
            if (ownConnection)
                target.closeConnection();
            throw;
        }
        if (ownConnection) {
            target.closeConnection();
            Connection::open(db);
        }
        firstBackup = engine.backups().value(0);
        SetBDVersion({}, kVersionTable, valueColumn, Product::databaseVersion);
    }
    secondPass(folders, db);
    return firstBackup;
}

void secondPass(const Folders& folders, const DbConfig& db)
{
    const QString databaseFolder = folders.program + QStringLiteral("Data/");
    const QString file = databaseFolder + db.oledbFileName;
    // With the data kept beside the program, that is the database in use.
    if (!QFileInfo(file).isFile() || sameFile(file, db.databaseFile()))
        return;
    try {
        {
            QSqlDatabase connection =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSecondPassConnection);
            connection.setDatabaseName(file);
            connection.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            if (!connection.open())
                throw DatabaseError(Connection::errorText(connection.lastError()));
        }
        GaugeWindow gauge;
        DatabaseUpdate::updateOlderDatabase(folders, kSecondPassConnection, databaseFolder, file, &gauge, {});
    } catch (const AppError& e) {
        UpdateLog(folders.data + QStringLiteral("Maj.Log"))
            .write(QStringLiteral("Base de données \"%1\" laissée en l'état : %2")
                       .arg(file, QString(e.text()).replace(QLatin1Char('\r'), QLatin1Char(' '))));
    }
    QSqlDatabase::database(kSecondPassConnection, false).close();
    QSqlDatabase::removeDatabase(kSecondPassConnection);
}

QString failureMessage(const QString& error, const Folders& folders)
{
    return QStringLiteral("MISE A JOUR IMPOSSIBLE !!\r\r") + error +
           QStringLiteral(
               "\r\rLe démarrage du logiciel est interrompu. La base de données est restée dans l'état où "
               "la mise à jour l'a laissée ; le journal \"%1\" en donne le détail.\r"
               "Contactez le support par email pour tenter de trouver une solution : ")
               .arg(folders.data + QStringLiteral("Maj.Log")) +
           Product::supportAddress;
}

} // namespace StartupUpdate
