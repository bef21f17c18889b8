#include "ReferenceChoices.h"

#include "CareQueries.h"
#include "Dataset.h"
#include "DatasetUtils.h"
#include "ReferenceMember.h"

namespace ReferenceChoices {
namespace {
QString nameColumn(ReferenceKind kind)
{
    return kind == ReferenceKind::Doctor || kind == ReferenceKind::Pharmacy ? QStringLiteral("Name")
                                                                            : QStringLiteral("Title");
}

QString detailColumn(ReferenceKind kind)
{
    return kind == ReferenceKind::Illness ? QStringLiteral("Gravity") : QStringLiteral("Category");
}

// Reads the list's own statement, with `where` put before its ORDER BY
// line when given, in a dataset of its own: the list's shared dataset may
// be open for its window and keeps its place.
QList<ReferenceEntry> read(ReferenceKind kind, TDataModule1& dm, const QString& where = {})
{
    QStringList sql = ReferenceMembers::of(kind).dataset(dm).sql();
    if (!where.isEmpty()) {
        const int orderBy = DatasetUtils::lineOfKeyword(sql, QStringLiteral("ORDER BY"));
        sql.insert(orderBy < 0 ? sql.size() : orderBy, where);
    }
    Dataset list;
    list.setSql(sql);
    list.open();
    const int id = list.fieldIndex(QStringLiteral("Id"));
    const int name = list.fieldIndex(nameColumn(kind));
    const int detail = list.fieldIndex(detailColumn(kind));
    QList<ReferenceEntry> entries;
    entries.reserve(list.recordCount());
    for (int row = 0; row < list.recordCount(); ++row)
        entries.append({list.fieldAt(row, id).asInteger(),
                        CareQueries::withDetail(list.fieldAt(row, name).asString(),
                                                list.fieldAt(row, detail).asString())});
    return entries;
}
} // namespace

QList<ReferenceEntry> entries(ReferenceKind kind, TDataModule1& dm)
{
    return read(kind, dm);
}

QString textOf(ReferenceKind kind, TDataModule1& dm, int id)
{
    const QList<ReferenceEntry> found = read(kind, dm, QStringLiteral("WHERE ID=%1").arg(id));
    return found.isEmpty() ? QString() : found.first().text;
}
} // namespace ReferenceChoices
