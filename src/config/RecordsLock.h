#pragma once

#include <QString>

// Keeps a second session off the same records: an advisory lock (flock) on
// a file beside the database, whoever and wherever the other session is
// (another user, another login, another computer on a shared folder). The
// holder writes who it is into the file, so a refused session can say so,
// and removes the file when it releases the records. It is none of the
// files a backup, a restore or a compaction archives, swaps or renames, so
// holding it spans those operations.
class RecordsLock
{
public:
    // Who holds the records, as the holder wrote it; empty when unknown.
    struct Holder
    {
        QString user;
        QString host;
        qint64 pid = 0;
    };

    explicit RecordsLock(const QString& databaseFile);
    ~RecordsLock(); // releases the records
    RecordsLock(const RecordsLock&) = delete;
    RecordsLock& operator=(const RecordsLock&) = delete;

    // True when this process now holds the records, until the object goes;
    // false when another session holds them (holder() then says who, when
    // it can be known). Throws FileError when the lock file cannot be made
    // or opened at all.
    bool acquire();
    const Holder& holder() const { return m_holder; }

    // The records in use elsewhere, in French, naming the holder when known.
    QString inUseMessage() const;

    static QString lockFileFor(const QString& databaseFile);

private:
    QString m_databaseFile;
    QString m_path;
    int m_fd = -1; // open and locked while held
    Holder m_holder;
};
