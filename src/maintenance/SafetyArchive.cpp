#include "SafetyArchive.h"

#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "Connection.h"
#include "Dataset.h"
#include "FileConnection.h"
#include "FileUtils.h"
#include "SealedFormat.h"
#include "Transaction.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <sys/statvfs.h>
#include <unistd.h>

namespace SafetyArchive {
namespace {

const QString kRoot = QStringLiteral(".avant-restauration/");
// The archive the data go into, by its whole path; written before the swap
// commits, removed last.
const QString kNote = QStringLiteral(".sauvegarde");
// The archive's key (Sealed::Key::exported), for an encrypted restore.
const QString kKey = QStringLiteral(".cle");
// Completions of the history tried again, a second apart, before the next
// start is left to do it.
constexpr int kListingTries = 30;

// The set-aside data as BackupArchive reads a record set; the note of the
// archive being written stays among them.
RecordSet asideSet(const RecordSet& set, const QString& folder)
{
    RecordSet aside = set;
    aside.databaseFolder = folder;
    aside.dataFolder = folder;
    return aside;
}

QString withoutSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
}

QString cannotWrite(const QString& archive, int error)
{
    return QStringLiteral("La sauvegarde de sécurité \"%1\" ne peut pas être écrite : %2.")
        .arg(FileUtils::shownPath(archive), FileUtils::systemReason(error));
}

// Room for the archive: its partial file, as large as the archive can come
// out. A file system that cannot reserve room is asked how much it has.
void reserve(const QString& archive, const QString& partial, qint64 bytes)
{
    const QByteArray native = QFile::encodeName(partial);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throw FileError(cannotWrite(archive, errno));
    int error = ::fallocate(fd, 0, 0, off_t(bytes)) == 0 ? 0 : errno;
    if (error == EOPNOTSUPP || error == ENOSYS) {
        struct statvfs room = {};
        error =
            ::fstatvfs(fd, &room) == 0 && qint64(room.f_bavail) * qint64(room.f_frsize) < bytes ? ENOSPC : 0;
    }
    ::close(fd);
    if (error != 0) {
        ::unlink(native.constData());
        throw FileError(cannotWrite(archive, error));
    }
}

// A note of the set-aside data, written while they are still in the staging
// of their restore: it is forced to the disk with the staging, before the
// swap commits, and a kill before leaves nothing of it that counts.
void writeNote(const QString& path, const unsigned char* bytes, std::size_t count, mode_t rights)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, rights);
    bool written = fd >= 0 && ::write(fd, bytes, count) == ssize_t(count);
    const int why = errno;
    if (fd >= 0 && ::close(fd) != 0)
        written = false;
    if (!written)
        throw FileError(FileUtils::cannotWrite(path, why));
}

std::optional<Sealed::Key> keyIn(const QString& folder)
{
    bool kept = false;
    QByteArray bytes = FileUtils::readFile(folder + kKey, &kept);
    if (!kept)
        return std::nullopt;
    return Sealed::Key::imported(Secret::takeBytes(bytes));
}

void listInHistory(const QString& databaseFile, const QString& archive)
{
    const FileConnection records(databaseFile, FileConnection::Access::ReadWrite);
    if (!records.isOpen())
        throw DatabaseError(
            QStringLiteral("La base de données \"%1\" ne peut pas être ouverte : %2")
                .arg(FileUtils::shownPath(databaseFile), Connection::errorText(records.openError())));
    QSqlQuery listed(records.database());
    listed.prepare(QStringLiteral("SELECT count(*) FROM BACKUP WHERE Description = ? AND Path = ?"));
    listed.addBindValue(BackupHistory::kSafetyBackup);
    listed.addBindValue(archive);
    if (!listed.exec() || !listed.next())
        throw DatabaseError(
            QStringLiteral("L'historique de la base de données \"%1\" ne peut pas être lu : %2")
                .arg(FileUtils::shownPath(databaseFile), Connection::errorText(listed.lastError())));
    const bool already = listed.value(0).toInt() > 0;
    listed.finish();
    if (already)
        return;
    Dataset history(QStringLiteral("Backup"));
    history.setConnectionName(records.name());
    history.setSql(QStringLiteral("SELECT * FROM BACKUP"));
    BackupHistory::add(history, BackupHistory::kSafetyBackup, archive);
}

// The key first, the note last: a folder whose removal was cut short still
// names its archive, which is there.
void removeFolder(const QString& folder)
{
    QFile::remove(folder + kKey);
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.fileName() == kNote)
            continue;
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
    }
    QFile::remove(folder + kNote);
    if (!QDir().rmdir(withoutSeparator(folder)))
        throw FileError(
            QStringLiteral("Le dossier \"%1\" ne peut pas être supprimé.").arg(FileUtils::shownPath(folder)));
}

QString notWritten(const QString& folder, const QString& why)
{
    return QStringLiteral("Les données qu'une restauration a remplacées sont gardées dans le dossier \"%1\", "
                          "mais leur sauvegarde de sécurité \"%2\" n'a pas pu être écrite :\r%3\r"
                          "Elle le sera au prochain démarrage du logiciel.")
        .arg(FileUtils::shownPath(folder), FileUtils::shownPath(archiveOf(folder)), why);
}

QString notListed(const QString& folder, const QString& why)
{
    return QStringLiteral("La sauvegarde de sécurité \"%1\" est écrite, mais l'historique ne la nomme pas "
                          "encore :\r%2\rElle y sera inscrite au prochain démarrage du logiciel.")
        .arg(FileUtils::shownPath(archiveOf(folder)), why);
}

} // namespace

QString pendingRoot(const RecordSet& set)
{
    return set.databaseFolder + kRoot;
}

QString pathFor(const RecordSet& set, const QDateTime& moment)
{
    const QString name =
        BackupArchive::kSafetyPrefix + moment.toString(QStringLiteral("dd_MM_yyyy_hh_mm_ss"));
    const auto taken = [&set](const QString& stem) {
        const QString archive = set.backupFolder() + stem + QStringLiteral(".bkp");
        return QFileInfo::exists(archive) || QFileInfo::exists(BackupArchive::partialPath(archive)) ||
               QFileInfo::exists(pendingRoot(set) + stem);
    };
    QString stem = name;
    for (int n = 2; taken(stem); ++n)
        stem = name + QStringLiteral("_%1").arg(n);
    return set.backupFolder() + stem + QStringLiteral(".bkp");
}

void prepare(const RecordSet& set, const QString& aside, const QString& archive, const Sealed::Key* key)
{
    FileUtils::makeFolder(set.backupFolder());
    const QString partial = BackupArchive::partialPath(archive);
    reserve(archive, partial, ArchiveFile::largestSize(archive, BackupArchive::members(set), key != nullptr));
    try {
        if (!QDir().mkpath(aside))
            throw FileError(
                QStringLiteral("Impossible de créer le dossier \"%1\".").arg(FileUtils::shownPath(aside)));
        // The key readable by the user alone.
        if (key) {
            const Secret kept = key->exported();
            writeNote(aside + kKey, kept.data(), kept.size(), 0600);
        }
        const QByteArray note = archive.toUtf8();
        writeNote(aside + kNote, reinterpret_cast<const unsigned char*>(note.constData()),
                  std::size_t(note.size()), 0644);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

void release(const QString& aside)
{
    if (const QString archive = archiveOf(aside); !archive.isEmpty())
        QFile::remove(BackupArchive::partialPath(archive));
}

void keep(const RecordSet& set, const QString& aside)
{
    if (!QFileInfo::exists(aside + kNote))
        return;
    const QString root = pendingRoot(set);
    const QString kept = root + QFileInfo(archiveOf(aside)).completeBaseName();
    if (!QDir().mkpath(root) || std::rename(QFile::encodeName(withoutSeparator(aside)).constData(),
                                            QFile::encodeName(kept).constData()) != 0)
        throw FileError(QStringLiteral("Impossible de déplacer \"%1\" vers \"%2\" : %3.")
                            .arg(FileUtils::shownPath(aside), FileUtils::shownPath(kept),
                                 FileUtils::systemReason(errno)));
}

QStringList pending(const RecordSet& set)
{
    // In the order the restores made them: by their notes, which stay as written.
    QList<std::pair<QDateTime, QString>> found;
    for (const QFileInfo& folder :
         QDir(pendingRoot(set)).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        found.append({QFileInfo(folder.absoluteFilePath() + QLatin1Char('/') + kNote).lastModified(),
                      folder.absoluteFilePath() + QLatin1Char('/')});
    std::sort(found.begin(), found.end());
    QStringList folders;
    for (const auto& [when, folder] : found)
        folders << folder;
    return folders;
}

QString archiveOf(const QString& folder)
{
    bool noted = false;
    const QByteArray note = FileUtils::readFile(folder + kNote, &noted);
    return noted ? QString::fromUtf8(note) : QString();
}

void write(const RecordSet& set, const QString& folder, MaintenanceProgress& progress)
{
    const QString archive = archiveOf(folder);
    if (archive.isEmpty() || QFileInfo::exists(archive))
        return;
    const std::optional<Sealed::Key> key = keyIn(folder);
    progress.message(QStringLiteral("Sauvegarde de sécurité des données remplacées ..."));
    BackupArchive::write(asideSet(set, folder), archive, progress, key ? &*key : nullptr);
}

void complete(const RecordSet& set, const QString& folder)
{
    if (const QString archive = archiveOf(folder); !archive.isEmpty()) {
        if (!QFileInfo(archive).isFile())
            throw FileError(QStringLiteral("la sauvegarde de sécurité \"%1\" est introuvable.")
                                .arg(FileUtils::shownPath(archive)));
        listInHistory(set.databaseFile(), archive);
    }
    removeFolder(folder);
    QDir().rmdir(withoutSeparator(pendingRoot(set)));
}

void finish(const RecordSet& set, MaintenanceProgress& progress)
{
    for (const QString& folder : pending(set)) {
        try {
            write(set, folder, progress);
        } catch (const AppError& e) {
            throw AppError(notWritten(folder, e.text()));
        }
        try {
            complete(set, folder);
        } catch (const AppError& e) {
            throw AppError(notListed(folder, e.text()));
        }
    }
}

void finish(const RecordSet& set)
{
    NoProgress silent;
    finish(set, silent);
}

Background::Background(const RecordSet& set, QObject* parent) : QObject(parent), m_set(set)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(1000);
    connect(&m_retry, &QTimer::timeout, this, [this] { listWritten(); });
}

Background::~Background()
{
    if (m_thread.joinable())
        m_thread.join();
    for (const QString& folder : pending(m_set)) {
        try {
            if (QFileInfo::exists(archiveOf(folder)))
                complete(m_set, folder);
        } catch (const AppError&) {
            // The next start lists it.
        }
    }
}

void Background::start()
{
    std::lock_guard lock(m_mutex);
    m_again = true;
    if (m_running)
        return;
    if (m_thread.joinable())
        m_thread.join();
    m_running = true;
    m_thread = std::thread([this] { run(); });
}

void Background::finish(MaintenanceProgress& progress)
{
    m_retry.stop();
    if (m_thread.joinable())
        m_thread.join();
    SafetyArchive::finish(m_set, progress);
}

void Background::run()
{
    NoProgress silent;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_again) {
                m_running = false;
                return;
            }
            m_again = false;
        }
        for (const QString& folder : pending(m_set)) {
            QString failure;
            try {
                write(m_set, folder, silent);
            } catch (const AppError& e) {
                failure = notWritten(folder, e.text());
            } catch (const std::exception& e) {
                failure = notWritten(folder, QString::fromLocal8Bit(e.what()));
            }
            if (failure.isEmpty())
                QMetaObject::invokeMethod(
                    this, [this] { listWritten(); }, Qt::QueuedConnection);
            else
                QMetaObject::invokeMethod(
                    this,
                    [this, failure] {
                        if (failed)
                            failed(failure);
                    },
                    Qt::QueuedConnection);
        }
    }
}

void Background::listWritten()
{
    // Never while an operation has the database closed, or in the middle of
    // another change: a moment later.
    if (!Connection::isOpen() || Transaction::isRunning()) {
        m_retry.start();
        return;
    }
    for (const QString& folder : pending(m_set)) {
        if (!QFileInfo::exists(archiveOf(folder)))
            continue;
        try {
            complete(m_set, folder);
            m_listingFailures = 0;
        } catch (const AppError&) {
            if (++m_listingFailures < kListingTries)
                m_retry.start();
            return;
        }
    }
}

} // namespace SafetyArchive
