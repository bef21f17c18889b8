#pragma once

#include "SearchQuery.h"

#include <QStringList>

// What a search finds, as the tests compare it: "kind:rowId", best first.
namespace SearchHits {

inline QString key(Search::Kind kind, int id)
{
    return QStringLiteral("%1:%2").arg(static_cast<int>(kind)).arg(id);
}

inline QStringList found(const QString& typed)
{
    QStringList hits;
    for (const Search::Hit& hit : Search::find(typed))
        hits << key(hit.kind, hit.rowId);
    return hits;
}

} // namespace SearchHits
