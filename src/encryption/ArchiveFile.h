#pragma once

#include "Cabinet.h"
#include "SealedFormat.h"

// A backup archive on the disk, a plain cabinet or an encrypted one,
// written, checked and read the same way whichever it is. Where a key is
// asked, none means a plain cabinet; reading goes by what the file is.
namespace ArchiveFile {

bool isEncrypted(const QString& path);

// A new archive at `path`, encrypted with `key` when there is one. As
// Cabinet::create: on failure there is no file, on success it is on the disk.
void create(const QString& path, const QList<Cabinet::Member>& members, const Sealed::Key* key,
            const Cabinet::Progress& progress = {}, std::uint32_t chunkSize = Sealed::kDefaultChunkSize);

// The most bytes create() writes for the members, encrypted or not: the
// room to keep for an archive written later. Throws CabinetError as create()
// would for a missing member or a name it refuses.
qint64 largestSize(const QString& path, const QList<Cabinet::Member>& members, bool encrypted);

// As Cabinet::verify; an encrypted archive is decrypted on the way.
void verify(const QString& path, const QList<Cabinet::Member>& members, const Sealed::Key* key,
            const Cabinet::Progress& progress = {});

QList<Cabinet::Entry> list(const QString& path, const Sealed::Key* key);

// An encrypted archive read to its end, which checks every byte of it
// before anything is taken from it; nothing to do for a plain one, whose
// blocks are checked as they are extracted.
void authenticate(const QString& path, const Sealed::Key* key, const Cabinet::Progress& progress = {});

// As Cabinet::extractAs. An encrypted archive is read only as far as the
// last entry taken: authenticate() is what checks the rest.
void extractAs(const QString& path, const QString& folder, const Cabinet::NameFor& nameFor,
               const Sealed::Key* key, const Cabinet::Progress& progress = {});

// As Cabinet::extractInTwoSteps, in one reading where it can; what `then`
// names that the reading had passed is taken by a second reading.
void extractInTwoSteps(const QString& path, const QString& folder, const Cabinet::NameFor& first,
                       const Cabinet::NameLater& then, const Sealed::Key* key,
                       const Cabinet::Progress& progress = {});

} // namespace ArchiveFile
