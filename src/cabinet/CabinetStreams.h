#pragma once

#include "Cabinet.h"

#include <cstddef>
#include <QByteArray>

// Cabinets whose bytes do not go to or come from a plain file of their
// own: an encrypted archive, whose layer sits between the cabinet and the
// disk. The program's own cabinets are written front to back and can be
// read that way too, which is all such a layer has to offer.
namespace Cabinet {

// Takes an archive's bytes as create() produces them. Throws CabinetError
// (with the whole text the user sees) when it cannot.
class Sink
{
public:
    virtual ~Sink() = default;
    virtual QString displayName() const = 0;
    // Before any content: the size of the directory, which comes first in
    // the archive but is complete only once the content is written.
    virtual void reserve(std::size_t directorySize) = 0;
    // The content after the directory, front to back, in pieces of any size.
    virtual void append(const unsigned char* data, std::size_t count) = 0;
    // The finished directory; everything must be on the disk when it returns.
    virtual void finish(const unsigned char* directory, std::size_t count) = 0;
};

// Gives an archive's bytes to verify(), list() and extractAs() front to
// back. Throws CabinetError (with the whole text) when it cannot.
class Source
{
public:
    virtual ~Source() = default;
    virtual QString displayName() const = 0;
    // The archive's first bytes, up to where its first folder's data begin.
    virtual QByteArray directory() = 0;
    // The size of the whole archive, directory included.
    virtual qint64 size() = 0;
    // The bytes after the directory, in order: fewer than asked only at the end.
    virtual std::size_t read(unsigned char* into, std::size_t count) = 0;
};

// As create() for a file, into the sink. On failure the caller removes
// what the sink wrote.
void create(Sink& sink, const QList<Member>& members, const Progress& progress = {},
            qint64 folderSize = CabinetFormat::kMaxFolderSize);

// As verify() for a file; `progress` counts the archive's bytes.
void verify(Source& source, const QList<Member>& members, const Progress& progress = {});

// The entries of the source's directory, without reading further.
QList<Entry> list(Source& source);

// As extractAs() for a file, the same checks made before anything is
// written; on a failure the files written so far are removed. Takes only
// archives whose folders follow one another without a gap, as the
// program writes them, and reads no further than the last entry wanted.
void extractAs(Source& source, const QString& folder, const NameFor& nameFor, const Progress& progress = {});

// As extractInTwoSteps() for a file; what the reading had passed is left to
// a reading of a new source.
QHash<int, QString> extractInTwoSteps(Source& source, const QString& folder, const NameFor& first,
                                      const NameLater& then, const Progress& progress = {});

} // namespace Cabinet
