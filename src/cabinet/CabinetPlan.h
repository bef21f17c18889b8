#pragma once

#include "Cabinet.h"

#include <QHash>
#include <QSet>

// What the cabinet readers share, whichever of them does the extracting.
namespace Cabinet {

// What extracting some entries costs the decompressor.
struct Expansion
{
    qint64 bytes = 0;  // decompressed in all
    qint64 passes = 0; // over a folder's compressed data
};

// Which entries an extraction writes, and where: `base` is the folder's
// absolute path, ending with '/'; `wanted` maps an entry's index to its
// path under it.
struct ExtractionPlan
{
    QString base;
    QHash<int, QString> wanted;
    Expansion expansion;
};

// Which entries a reader decompresses: libgcab each folder up to each entry
// it takes (`Selective`), the program's own reader of a stream every entry
// from the first to the last it takes (`Sequential`).
enum class Reading
{
    Selective,
    Sequential
};

// Checks every stored name and the names `nameFor` gives (none of them one
// of `taken`, relative paths in lower case), creates the folder, and when
// any entry is wanted refuses entries that share their bytes, a
// decompression beyond what one archive holds and a lack of free space:
// throws CabinetError before anything is decompressed or written.
ExtractionPlan planExtraction(const QString& archive, const CabinetFormat::Directory& directory,
                              const QString& folder, const NameFor& nameFor, Reading reading,
                              const QSet<QString>& taken = {});
// The relative paths of a plan, in lower case, as planExtraction takes them.
QSet<QString> takenPaths(const ExtractionPlan& plan);

QList<Entry> entriesOf(const CabinetFormat::Directory& directory);

} // namespace Cabinet
