#pragma once

#include <QString>

// The user's own pick lists: the memo columns of the single COMBOITEMS row.
// Read afresh at every use, so an edited list is offered at once everywhere.
namespace ComboItems {
// An unknown column name raises DatabaseError.
QString read(const QString& column);
// Stores the text as given; creates the row when the table has none.
void store(const QString& column, const QString& text);
} // namespace ComboItems
