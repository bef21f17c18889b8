#include "Compaction.h"

#include "Connection.h"
#include "Errors.h"
#include "FileUtils.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <unistd.h>

namespace Compaction {
namespace {

QString quotedName(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// What SQLite may keep beside a database file while writing it.
const QString kCompanions[] = {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"),
                               QStringLiteral("-shm")};

// The Windows program renamed its database to the scratch name before
// compacting it back: such a file may be the only copy of the records.
bool isJetDatabase(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.read(20).mid(4).startsWith("Standard ");
}

// A short-lived connection of its own on one file, removed with the object.
class FileConnection
{
public:
    FileConnection(const QString& file, bool readOnly)
        : m_name(QStringLiteral("brivoline-compaction-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                                      : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            fail(QStringLiteral("Impossible d'ouvrir la base de données \"%1\" :\r%2")
                     .arg(file, Connection::errorText(db.lastError())));
    }
    ~FileConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

    // The rows of every table, by table name.
    QMap<QString, qint64> rowCounts(const QString& file) const
    {
        QSqlQuery tables(database());
        if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")))
            fail(unreadable(file, tables.lastError()));
        QStringList names;
        while (tables.next())
            names << tables.value(0).toString();
        tables.finish();
        QMap<QString, qint64> counts;
        for (const QString& table : names) {
            QSqlQuery count(database());
            if (!count.exec(QStringLiteral("SELECT count(*) FROM ") + quotedName(table)) || !count.next())
                fail(unreadable(file, count.lastError()));
            counts.insert(table, count.value(0).toLongLong());
        }
        return counts;
    }

    [[noreturn]] static void fail(const QString& text) { throw DatabaseError(text); }
    static QString unreadable(const QString& file, const QSqlError& error)
    {
        return QStringLiteral("La base de données \"%1\" ne peut pas être lue :\r%2")
            .arg(file, Connection::errorText(error));
    }

private:
    static inline int s_count = 0;
    QString m_name;
};

void checkCopy(const QString& source, const QString& copy, const QMap<QString, qint64>& sourceCounts)
{
    const FileConnection check(copy, true);
    QSqlQuery integrity(check.database());
    if (!integrity.exec(QStringLiteral("PRAGMA integrity_check")))
        FileConnection::fail(FileConnection::unreadable(copy, integrity.lastError()));
    QStringList problems;
    while (integrity.next())
        problems << integrity.value(0).toString();
    integrity.finish();
    if (problems != QStringList{QStringLiteral("ok")})
        FileConnection::fail(QStringLiteral("La copie compactée de \"%1\" est endommagée : %2.")
                                 .arg(FileUtils::shownPath(source), Connection::damageFoundText()));
    const QMap<QString, qint64> copyCounts = check.rowCounts(copy);
    for (auto it = sourceCounts.cbegin(); it != sourceCounts.cend(); ++it)
        if (copyCounts.value(it.key(), -1) != it.value())
            FileConnection::fail(
                QStringLiteral(
                    "La copie compactée de \"%1\" est incomplète : la table %2 n'y a pas toutes ses lignes.")
                    .arg(source, it.key()));
    if (copyCounts.size() != sourceCounts.size())
        FileConnection::fail(
            QStringLiteral("La copie compactée de \"%1\" ne contient pas les mêmes tables.").arg(source));
}

// The compacted, checked copy of `source` written as `scratch`, in place of
// any left by an interrupted run. Removed again on any failure.
void writeCheckedCopy(const QString& source, const QString& scratch, const QString& target)
{
    if (!QFileInfo(source).isFile())
        throw FileError(
            QStringLiteral("La base de données \"%1\" est introuvable.").arg(FileUtils::shownPath(source)));
    removeLeftovers(target);
    // Made here rather than by the engine, which says no more than "unable
    // to open" whatever stops it (a read-only disk, the rights).
    const int fd =
        ::open(QFile::encodeName(scratch).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw FileError(QStringLiteral("Impossible de créer la copie compactée \"%1\" : %2.")
                            .arg(FileUtils::shownPath(scratch), FileUtils::systemReason(errno)));
    ::close(fd);
    try {
        QMap<QString, qint64> counts;
        {
            // Opened read-write like any use of the file, so an interrupted
            // change is rolled back before the copy is taken.
            const FileConnection from(source, false);
            counts = from.rowCounts(source);
            QSqlQuery vacuum(from.database());
            vacuum.prepare(QStringLiteral("VACUUM INTO ?"));
            vacuum.addBindValue(scratch);
            if (!vacuum.exec())
                throw DatabaseError(
                    QStringLiteral("Le compactage de la base de données \"%1\" a échoué :\r%2.")
                        .arg(FileUtils::shownPath(source), Connection::errorText(vacuum.lastError())));
        }
        // The engine does not force what it writes into a new file.
        FileUtils::syncFile(scratch);
        checkCopy(source, scratch, counts);
        QFile::setPermissions(scratch, QFile::permissions(source));
    } catch (...) {
        for (const QString& companion : kCompanions)
            QFile::remove(scratch + companion);
        throw;
    }
}

} // namespace

QString scratchFileFor(const QString& file)
{
    const QFileInfo info(file);
    QString name = info.fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    name.insert(dot < 0 ? name.size() : dot, QLatin1Char('~'));
    const QString folder = file.left(file.size() - info.fileName().size());
    return folder + name;
}

void removeLeftovers(const QString& file)
{
    const QString scratch = scratchFileFor(file);
    if (isJetDatabase(scratch))
        throw FileError(
            QStringLiteral("Le fichier \"%1\" est une base de données de la version Windows du logiciel, "
                           "restée d'un compactage interrompu ; il n'a pas été utilisé.\r"
                           "Mettez-le de côté, puis recommencez.")
                .arg(FileUtils::shownPath(scratch)));
    for (const QString& companion : kCompanions) {
        // Only what is there: a read-only disk refuses even to remove nothing.
        const QFileInfo left(scratch + companion);
        if (!left.exists() && !left.isSymLink())
            continue;
        try {
            FileUtils::removeFile(scratch + companion);
        } catch (const FileError& e) {
            throw FileError(
                QStringLiteral("La copie d'un compactage interrompu n'a pas pu être supprimée.\r%1")
                    .arg(e.text()));
        }
    }
}

void compactInto(const QString& source, const QString& target)
{
    if (QFileInfo::exists(target))
        throw FileError(
            QStringLiteral("Le fichier \"%1\" existe déjà ; il n'a pas été remplacé.").arg(target));
    const QString scratch = scratchFileFor(target);
    writeCheckedCopy(source, scratch, target);
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(scratch, target)) {
        QFile::remove(scratch);
        throw FileError(QStringLiteral("Impossible d'enregistrer la copie compactée \"%1\".").arg(target));
    }
    FileUtils::syncFolder(QFileInfo(target).absolutePath());
}

void compactInPlace(const QString& file)
{
    const QString scratch = scratchFileFor(file);
    writeCheckedCopy(file, scratch, file);
    // One step: whoever opens the file finds the old database or the new one.
    if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(file).constData()) != 0) {
        const int why = errno;
        QFile::remove(scratch);
        throw FileError(QStringLiteral("Impossible de mettre la base compactée \"%1\" en place : %2.")
                            .arg(FileUtils::shownPath(file), FileUtils::systemReason(why)));
    }
    FileUtils::syncFolder(QFileInfo(file).absolutePath());
}

} // namespace Compaction
