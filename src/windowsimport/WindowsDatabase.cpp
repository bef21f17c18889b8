#include "WindowsDatabase.h"

#include "Connection.h"
#include "DatabaseUpdate.h"
#include "DatabaseVersion.h"
#include "FileUtils.h"
#include "JetConversion.h"
#include "JetFile.h"
#include "StoredFiles.h"
#include "UpdateEngine.h"

#include <cerrno>
#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace WindowsDatabase {
namespace {

const QString kConnection = QStringLiteral("brivoline-windows-database");

// Raised from the update's progress to stop it: not an AppError, which the
// engine would take for one failing action and go on.
struct UpdateStopped
{
};

// The update's progress, handed on to the caller's, which may stop it.
class UpdateProgress final : public UpdateGauge
{
public:
    explicit UpdateProgress(const Progress& progress) : m_progress(progress) {}
    void start(int lines) override
    {
        m_total = lines;
        m_done = 0;
        report();
    }
    void setText(const QString& text) override
    {
        m_text = text;
        report();
    }
    void advance(int lines) override
    {
        m_done += lines;
        report();
    }
    void finish() override {}

private:
    void report() const
    {
        if (m_progress && !m_progress(m_text, m_done, m_total))
            throw UpdateStopped();
    }
    const Progress& m_progress;
    QString m_text = QStringLiteral("Mise à jour de la base de données ...");
    qint64 m_done = 0;
    qint64 m_total = 0;
};

// The Qt SQL connection the update engine works on, removed with the object.
class Connected
{
public:
    explicit Connected(const QString& file)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(file);
        if (!db.open())
            throw DatabaseError(QStringLiteral("La base de données convertie ne peut pas être ouverte (%1).")
                                    .arg(Connection::errorText(db.lastError())));
        // A scratch file, thrown away on any failure and forced to the disk
        // once checked: its journal need not reach the disk, and the search
        // index built over every row wants a cache of its size.
        QSqlQuery pragmas(db);
        for (const char* pragma :
             {"PRAGMA synchronous=OFF", "PRAGMA journal_mode=MEMORY", "PRAGMA cache_size=-65536"})
            pragmas.exec(QLatin1String(pragma));
    }
    ~Connected()
    {
        QSqlDatabase::database(kConnection, false).close();
        QSqlDatabase::removeDatabase(kConnection);
    }
    Connected(const Connected&) = delete;
    Connected& operator=(const Connected&) = delete;
};

void update(const QString& file, const QString& stagingFolder, const Folders& folders,
            const Progress& progress)
{
    Connected connected(file);
    UpdateProgress gauge(progress);
    try {
        DatabaseUpdate::updateOlderDatabase(folders, kConnection, stagingFolder, file, &gauge,
                                            [&gauge](const QString& text) { gauge.setText(text); });
    } catch (const UpdateStopped&) {
        throw JetConversion::Cancelled();
    }
    if (const QString missing = Connection::missingSchemaPart(QSqlDatabase::database(kConnection, false));
        !missing.isEmpty())
        throw AppError(
            QStringLiteral("La base de données convertie est incomplète : il y manque %1.").arg(missing));
}

void removeFile(const QString& path)
{
    for (const QString& companion : {QString(), QStringLiteral("-journal")})
        QFile::remove(path + companion);
}

} // namespace

namespace {
QString acceptable(const Jet::File& file, const QString& jetFile)
{
    if (!JetConversion::isHousehold(file))
        throw Jet::JetError(
            QStringLiteral("Le fichier \"%1\" est une base de données Access, mais pas celle d'un "
                           "carnet de santé : il ne contient pas les tables du logiciel.")
                .arg(FileUtils::shownPath(jetFile)));
    const QString version = JetConversion::layoutVersion(file);
    if (numericVersion(version) > kLastWindowsLayout)
        throw Jet::JetError(
            QStringLiteral("La base de données \"%1\" est en version %2, plus récente que la version "
                           "3.51 de la version Windows : ce logiciel ne sait pas la reprendre.")
                .arg(FileUtils::shownPath(jetFile), version.left(20)));
    return version;
}
} // namespace

QString filesFolderBeside(const QString& jetFile)
{
    const QDir own = QFileInfo(jetFile).absoluteDir();
    const auto holdsFiles = [](const QDir& folder) {
        QStringList names;
        for (const StoredFiles::Folder& stored : StoredFiles::folders())
            names << stored.name.chopped(1);
        return !folder.entryList(names, QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
    };
    QDir above = own;
    if (!holdsFiles(own) && above.cdUp() && holdsFiles(above))
        return FileUtils::withTrailingSeparator(above.absolutePath());
    return FileUtils::withTrailingSeparator(own.absolutePath());
}

QString checkFile(const QString& jetFile)
{
    return acceptable(Jet::File(jetFile), jetFile);
}

void convert(const QString& jetFile, const QString& target, const QString& stagingFolder,
             const Folders& folders, const Progress& progress)
{
    const Jet::File file(jetFile);
    acceptable(file, jetFile);
    // Beside the target, so that it takes the target's name by a rename.
    const QString scratch = target + QStringLiteral(".conversion");
    removeFile(scratch);
    try {
        JetConversion::convert(file, scratch, [&progress](const QString& table, qint64 done, qint64 total) {
            return !progress || progress(QStringLiteral("Conversion de la table %1").arg(table), done, total);
        });
        update(scratch, stagingFolder, folders, progress);
        JetConversion::check(file, scratch);
        FileUtils::syncFile(scratch);
        if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(target).constData()) != 0)
            throw FileError(
                QStringLiteral("La base de données convertie ne peut pas prendre le nom \"%1\" : %2.")
                    .arg(FileUtils::shownPath(target), FileUtils::systemReason(errno)));
        FileUtils::syncFolder(QFileInfo(target).absolutePath());
    } catch (...) {
        removeFile(scratch);
        throw;
    }
}

} // namespace WindowsDatabase
