#include "ComboItems.h"

#include "Dataset.h"
#include "TDataModule1.h"

namespace ComboItems {
// The pick lists live in the single row of COMBOITEMS, reached through the
// main data module's query, opened for each access and closed after it.
QString read(const QString& column)
{
    Dataset& items = dataModule1().ComboItems;
    items.close();
    items.open();
    const QString text = items.isEmpty() ? QString() : items.field(column).asString();
    items.close();
    return text;
}

void store(const QString& column, const QString& text)
{
    Dataset& items = dataModule1().ComboItems;
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
