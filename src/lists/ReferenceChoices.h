#pragma once

#include <QList>
#include <QString>

class TDataModule1;
enum class ReferenceKind;

// The entries of a reference list as the entry dialogs offer them: each
// entry's text, its name or title followed by " (detail)" when the detail
// is not empty, and its Id. The detail is the illness's seriousness and
// every other list's category.
struct ReferenceEntry
{
    int id = -1;
    QString text;
};

namespace ReferenceChoices {
// Every entry of the list, in the list's order. Throws DatabaseError.
QList<ReferenceEntry> entries(ReferenceKind kind, TDataModule1& dm);
// The text of the entry with this Id; empty when the list has none (the
// entry was deleted, or nothing was ever chosen). Throws DatabaseError.
QString textOf(ReferenceKind kind, TDataModule1& dm, int id);
} // namespace ReferenceChoices
