#pragma once

#include <QString>

class Dataset;

// The user's own pick lists: the memo columns of the single COMBOITEMS row.
// Read afresh at every use, so an edited list is offered at once everywhere.
namespace ComboItems {
// `items` is the main data module's ComboItems query, opened for each
// access and closed after it. An unknown column name raises DatabaseError.
QString read(Dataset& items, const QString& column);
// Stores the text as given; creates the row when the table has none.
void store(Dataset& items, const QString& column, const QString& text);
} // namespace ComboItems
