#include "Compaction.h"

#include "Connection.h"
#include "Errors.h"
#include "FileConnection.h"
#include "FileUtils.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <unistd.h>

namespace Compaction {
namespace {

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

[[noreturn]] void fail(const QString& text)
{
    throw DatabaseError(text);
}

QString unreadable(const QString& file, const QSqlError& error)
{
    return QStringLiteral("La base de données \"%1\" ne peut pas être lue :\r%2")
        .arg(file, Connection::errorText(error));
}

QString unopened(const QString& file, const QSqlError& error)
{
    return QStringLiteral("Impossible d'ouvrir la base de données \"%1\" :\r%2")
        .arg(file, Connection::errorText(error));
}

QString quotedName(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// The rows of every table, by table name (the engine counts them through a
// table's smallest index when it has one).
QMap<QString, qint64> rowCounts(const FileConnection& connection, const QString& file)
{
    QSqlQuery tables(connection.database());
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")))
        fail(unreadable(file, tables.lastError()));
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    tables.finish();
    QMap<QString, qint64> counts;
    for (const QString& table : names) {
        QSqlQuery count(connection.database());
        if (!count.exec(QStringLiteral("SELECT count(*) FROM ") + quotedName(table)) || !count.next())
            fail(unreadable(file, count.lastError()));
        counts.insert(table, count.value(0).toLongLong());
    }
    return counts;
}

// The engine's check of the copy (see Check), then its rows counted.
void checkCopy(const QString& source, const QString& copy, const QMap<QString, qint64>& sourceCounts,
               Check thoroughness)
{
    const QString damaged = QStringLiteral("La copie compactée de \"%1\" est endommagée : %2.")
                                .arg(FileUtils::shownPath(source), Connection::damageFoundText());
    const FileConnection check(copy, FileConnection::Access::ReadOnly);
    if (!check.isOpen())
        fail(unopened(copy, check.openError()));
    QSqlQuery pages(check.database());
    QStringList problems;
    if (pages.exec(thoroughness == Check::Quick ? QStringLiteral("PRAGMA quick_check")
                                                : QStringLiteral("PRAGMA integrity_check")))
        while (pages.next())
            problems << pages.value(0).toString();
    if (pages.lastError().isValid() || problems != QStringList{QStringLiteral("ok")})
        fail(damaged);
    pages.finish();
    const QMap<QString, qint64> copyCounts = rowCounts(check, copy);
    for (auto it = sourceCounts.cbegin(); it != sourceCounts.cend(); ++it)
        if (copyCounts.value(it.key(), -1) != it.value())
            fail(QStringLiteral(
                     "La copie compactée de \"%1\" est incomplète : la table %2 n'y a pas toutes ses lignes.")
                     .arg(source, it.key()));
    if (copyCounts.size() != sourceCounts.size())
        fail(QStringLiteral("La copie compactée de \"%1\" ne contient pas les mêmes tables.").arg(source));
}

// The compacted, checked copy of `source` written as `scratch`, in place of
// any left by an interrupted run. Removed again on any failure.
void writeCheckedCopy(const QString& source, const QString& scratch, const QString& target, Check check)
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
    // The engine writes the same file, which stays the same inode.
    const auto closeScratch = qScopeGuard([fd] { ::close(fd); });
    try {
        QMap<QString, qint64> counts;
        {
            // Opened read-write like any use of the file, so an interrupted
            // change is rolled back before the copy is taken.
            const FileConnection from(source, FileConnection::Access::ReadWrite);
            if (!from.isOpen())
                fail(unopened(source, from.openError()));
            counts = rowCounts(from, source);
            // What the engine has written is started on its way to the
            // disk every moment (begun, not waited for) while it writes.
            const FileUtils::PushingToDisk writeback([fd] { FileUtils::startWritingBack(fd); },
                                                     std::chrono::milliseconds(100));
            QSqlQuery vacuum(from.database());
            vacuum.prepare(QStringLiteral("VACUUM INTO ?"));
            vacuum.addBindValue(scratch);
            if (!vacuum.exec())
                throw DatabaseError(
                    QStringLiteral("Le compactage de la base de données \"%1\" a échoué :\r%2.")
                        .arg(FileUtils::shownPath(source), Connection::errorText(vacuum.lastError())));
        }
        // The engine does not force what it writes into a new file: forced
        // on a thread of its own while the copy is checked, both done before
        // the copy may replace anything.
        std::future<void> synced =
            std::async(std::launch::async, [&scratch] { FileUtils::syncFile(scratch); });
        try {
            checkCopy(source, scratch, counts, check);
        } catch (...) {
            synced.wait();
            throw;
        }
        synced.get();
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
    writeCheckedCopy(source, scratch, target, Check::Thorough);
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(scratch, target)) {
        QFile::remove(scratch);
        throw FileError(QStringLiteral("Impossible d'enregistrer la copie compactée \"%1\".").arg(target));
    }
    FileUtils::syncFolder(QFileInfo(target).absolutePath());
}

void compactInPlace(const QString& file, Check check)
{
    const QString scratch = scratchFileFor(file);
    writeCheckedCopy(file, scratch, file, check);
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
