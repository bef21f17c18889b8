#pragma once

#include "CabinetFormat.h"

#include <functional>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

// Microsoft cabinet archives with MS-ZIP compression, exchangeable with the
// cabinets of Windows and with gcab and cabextract. Files stream through in
// blocks of 32 KB, so an archive of any allowed size needs no more memory
// than a small one. The program writes its archives itself
// (CabinetWriter.cpp) and reads them back against their files
// (CabinetVerify.cpp); any archive is listed and extracted through libgcab
// (Cabinet.cpp). CabinetStreams.h has the same for archives that do not lie
// in a plain file of their own.
namespace Cabinet {

// One file to put into an archive: where it is, and its name inside.
struct Member
{
    QString path;
    QString name; // a relative name; '/' and '\' both separate folders
};

struct Entry
{
    QString name; // as stored, decoded
    qint64 size = 0;
    QDateTime modified; // local time, as cabinets keep it
};

// Told how many of the bytes to process are done; returns false to stop,
// which fails the operation with "interrompue". Called often enough for a
// progress bar, and at the end.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Writes a new archive at `archive` holding the members in order, each with
// its modification time. Blocks that deflate well are deflated, the others
// (pictures, archives) stored as MS-ZIP's stored blocks; content beyond one
// folder's reach (about 2 GB) goes on in the next folder, so an archive
// holds up to 4 GB, and one file up to `folderSize` bytes (the format's
// most, unless a caller wants smaller folders). On any failure (a missing
// member, an unsafe or repeated name, content beyond those limits, a full
// disk, a member that changes while it is read, a stop asked by
// `progress`) the partial archive is removed and CabinetError says why. The
// archive is flushed to the disk before this returns, so a caller can
// rename it into place.
void create(const QString& archive, const QList<Member>& members, const Progress& progress = {},
            qint64 folderSize = CabinetFormat::kMaxFolderSize);

// The size of the archive create() writes for the members when no block
// shrinks: the room to keep for it. Throws CabinetError as create() would
// for a missing member, an unsafe or repeated name, or too much content.
qint64 largestSize(const QString& archive, const QList<Member>& members);

// Reads an archive back and checks that it holds exactly `members`, in
// order, under their names, each byte equal to its file, every block's
// checksum right. `progress` counts the archive's bytes. Throws CabinetError
// naming the first difference.
void verify(const QString& archive, const QList<Member>& members, const Progress& progress = {});

// The entries in their stored order. Throws CabinetError for an archive
// that is missing, empty, truncated or damaged.
QList<Entry> list(const QString& archive);

// Writes entry `index` to exactly `target`, replacing it at once when
// complete; the entry's own name is never used. Refuses, writing nothing,
// an archive holding an unsafe or repeated name, or an entry larger than
// the free space; the extracted size is checked against the stored one.
void extractEntry(const QString& archive, int index, const QString& target, const Progress& progress = {});

// Writes every entry under `folder` (created when missing) at its
// relative name, sub-folders included. Every name is checked first: an
// unsafe or repeated one refuses the whole archive before anything is
// written; on a later failure the files written so far are removed.
void extractAll(const QString& archive, const QString& folder, const Progress& progress = {});

// Like extractAll, but each entry goes to the relative name `nameFor` gives
// it under `folder`, or nowhere when that name is empty. Every stored name
// must still be safe, and the names given safe and distinct, before
// anything is written.
using NameFor = std::function<QString(int index, const Entry& entry)>;
void extractAs(const QString& archive, const QString& folder, const NameFor& nameFor,
               const Progress& progress = {});

// Like extractAs, in one reading of the archive where it can: the entries
// `first` names are written, then `then`, called with them on the disk,
// names others (what a restore takes once it has read the database), which
// are checked as extractAs checks its names before any of their bytes is
// decompressed and taken as the reading goes on. Returns those `then` named
// that the reading had already passed (entries stored before the first
// step's), by index, for a second reading.
using NameLater = std::function<NameFor()>;
QHash<int, QString> extractInTwoSteps(const QString& archive, const QString& folder, const NameFor& first,
                                      const NameLater& then, const Progress& progress = {});

} // namespace Cabinet
