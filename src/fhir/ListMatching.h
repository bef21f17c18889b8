#pragma once

#include "RecordRows.h"

#include <QHash>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariantMap>

// The shared reference lists an imported record points to. An entry is
// the household's own when one has the same name (practitioners,
// pharmacies) or title (illnesses, medicines, vaccines, analyses) without
// regard to case or surrounding blanks; among several, the one of the same
// category, then the oldest. Otherwise the entry is added with what the
// bundle says of it. The household's entries are never changed.
class ListMatching
{
public:
    ListMatching(const QSqlDatabase& db, RecordRows::Writer& writer) : m_db(db), m_writer(writer) {}

    // The Id of the matching or added row of `table`; `values` hold its
    // columns, the name or title among them. -1 for an empty name.
    int find(const QString& table, const QVariantMap& values);
    // "Praticien « Dr X »" for each entry added, in the order added.
    const QStringList& added() const { return m_added; }

private:
    QSqlDatabase m_db;
    RecordRows::Writer& m_writer;
    QHash<QString, int> m_known; // by table, name and category
    QStringList m_added;
};
