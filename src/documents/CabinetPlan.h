#pragma once

#include "Cabinet.h"

#include <QHash>

// What the cabinet readers share, whichever of them does the extracting.
namespace Cabinet {

// Which entries an extraction writes, and where: `base` is the folder's
// absolute path, ending with '/'; `wanted` maps an entry's index to its
// path under it.
struct ExtractionPlan
{
    QString base;
    QHash<int, QString> wanted;
};

// Checks every stored name, the names `nameFor` gives and the free space,
// and creates the folder: throws CabinetError before anything is written.
ExtractionPlan planExtraction(const QString& archive, const CabinetFormat::Directory& directory, const QString& folder,
                              const NameFor& nameFor);

QList<Entry> entriesOf(const CabinetFormat::Directory& directory);

} // namespace Cabinet
