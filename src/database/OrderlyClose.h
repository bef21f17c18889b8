#pragma once

#include <QString>
#include <QtGlobal>

// What lets an ordinary start leave most of the database unread: the state
// of the database file as the last orderly session left it, kept beside it
// in "<database>.fermeture". A session takes the record when it opens the
// records and writes it again when it closes in order, so a kill, a crash
// or a session that met a damaged page leaves none; any write to the file
// since (a copy put in its place, a change made by another program, a
// disk's damage that came with a write) no longer matches it.
namespace OrderlyClose {

// The file's size, inode and times of last change, to the nanosecond.
struct FileState
{
    qint64 size = -1;
    quint64 inode = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0; // the inode's, which no program can set back
    bool operator==(const FileState&) const = default;
};
// A missing file has size -1.
FileState stateOf(const QString& file);

QString recordFileFor(const QString& databaseFile);

// Removes the record and tells whether the file is still as it says. A
// record that cannot be removed counts as none: a session that then did not
// end in order could not be told from one that did.
bool take(const QString& databaseFile);
// Records the file as it is now, once the session's connection is closed.
// Best effort: a record that cannot be written only makes the next start
// read the whole file.
void record(const QString& databaseFile);
// The next start reads the whole file.
void forget(const QString& databaseFile);

} // namespace OrderlyClose
