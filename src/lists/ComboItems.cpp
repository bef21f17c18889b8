#include "ComboItems.h"

#include "Dataset.h"

namespace ComboItems {
// The pick lists live in the single row of COMBOITEMS, reached through the
// main data module's query, opened for each access and closed after it.
QString read(Dataset& items, const QString& column)
{
    items.close();
    items.open();
    const QString text = items.isEmpty() ? QString() : items.field(column).asString();
    items.close();
    return text;
}

void store(Dataset& items, const QString& column, const QString& text)
{
    items.close();
    items.open();
    try {
        if (items.isEmpty())
            items.append();
        else
            items.edit();
        items.field(column).setAsString(text);
        items.post();
    } catch (...) {
        items.close();
        throw;
    }
    items.close();
}
} // namespace ComboItems
