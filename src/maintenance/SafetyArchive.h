#pragma once

#include "RecordSet.h"

#include <functional>
#include <mutex>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <thread>

namespace Sealed {
class Key;
} // namespace Sealed

// What a restore replaced, kept until its safety archive is written. The
// swap sets the replaced database, pictures and attached files aside by
// renames, each restore's into a folder of its own under
// ".avant-restauration/" in the database folder. Pictures and attached
// files are never rewritten in place, and the database was closed, so what
// is set aside is the data as they were. A note beside them names the
// archive to write into Backup/, and for an encrypted restore the key of
// that archive is kept too (Sealed::Key::exported: a salt of its own, so it
// opens that archive only, and never the password). The archive is written
// afterwards, on a thread while the program goes on (Background) or at the
// next start, then listed in the history, and only then is what was set
// aside removed: at any moment the data are in the folder, in the archive,
// or in both, and the history names no archive that is not there.
namespace SafetyArchive {

// Where the set-aside data wait, one folder per restore.
QString pendingRoot(const RecordSet& set);

// The name of the archive of a restore made at `moment`: none of an
// archive, a partial archive or set-aside data already there.
QString pathFor(const RecordSet& set, const QDateTime& moment);

// Done by a restore before its swap commits: `aside`, the folder its swap
// will move the replaced data into, gets the note naming `archive` and the
// key when there is one (forced to the disk with the rest of the staging,
// by the restore), and room for the archive is taken in Backup/ (a partial
// file of the archive's size with no block compressed), which also proves
// the folder writable. Throws AppError (the rights, a full disk, a member
// missing) with nothing left behind.
void prepare(const RecordSet& set, const QString& aside, const QString& archive, const Sealed::Key* key);
// A swap that never began: its room given back. `aside` is left to the caller.
void release(const QString& aside);
// Once the swap has moved the data into `aside`: it joins the pending
// ones. Nothing to do when it already did, or when `aside` holds no note
// (a swap begun by an older version, whose safety archive was written first).
void keep(const RecordSet& set, const QString& aside);

// The folders of set-aside data waiting for their archive, oldest first.
QStringList pending(const RecordSet& set);
// The archive that a pending folder's data go into.
QString archiveOf(const QString& folder);

// Writes the archive of one pending folder, unless it is there already; it
// is checked against the files before it takes its name (BackupArchive::
// write). Touches no database, so it may run on any thread. Throws AppError.
void write(const RecordSet& set, const QString& folder, MaintenanceProgress& progress);
// Then, the archive written: lists it in the records' history once, through
// a connection of its own, and removes the folder. Throws AppError.
void complete(const RecordSet& set, const QString& folder);
// Both, for every pending folder, oldest first. Throws AppError for the
// first that fails, in words that say where its data are.
void finish(const RecordSet& set, MaintenanceProgress& progress);
// The same without a progress window.
void finish(const RecordSet& set);

// The pending archives written on a thread of their own while the program
// goes on, each then listed and its folder removed on the thread that made
// this object, once the program's connection is open and in no transaction
// (never in the middle of a backup, a restore or a compaction, which close
// it).
class Background final : public QObject
{
    Q_OBJECT

public:
    explicit Background(const RecordSet& set, QObject* parent = nullptr);
    // Waits for the archive being written, and lists what it can.
    ~Background() override;
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    // Writes what is pending, unless it is already doing so.
    void start();
    // Waits for the thread, then writes and lists on this one what is left.
    // Throws AppError as finish() does.
    void finish(MaintenanceProgress& progress);

    // Told on the object's thread when an archive could not be written.
    std::function<void(const QString& text)> failed;

private:
    void run();
    void listWritten();

    const RecordSet m_set;
    std::mutex m_mutex;
    bool m_running = false; // guarded by m_mutex
    bool m_again = false;   // guarded by m_mutex
    std::thread m_thread;
    QTimer m_retry;
    int m_listingFailures = 0;
};

} // namespace SafetyArchive
