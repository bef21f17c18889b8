#include "PickerRules.h"

#include "Formats.h"

#include <algorithm>
#include <QCollator>
#include <QRegularExpression>
#include <QSet>

namespace PickerRules {
namespace {
void sortWithoutCase(QStringList& items)
{
    QCollator collator(QLocale(QLocale::French, QLocale::France));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}
} // namespace

QStringList lines(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList result = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

QStringList entries(const QString& text, bool sorted, bool withEmptyEntry)
{
    QStringList items = lines(text);
    if (sorted)
        sortWithoutCase(items);
    if (withEmptyEntry)
        items.prepend(QString());
    return items;
}

QStringList editorLines(const QString& text)
{
    QStringList items = lines(text);
    sortWithoutCase(items);
    QStringList unique;
    QSet<QString> seen;
    for (const QString& item : items) {
        const QString key = item.toCaseFolded();
        if (!seen.contains(key)) {
            seen.insert(key);
            unique << item;
        }
    }
    return unique;
}

int listHeight(int entryCount, int entryHeight)
{
    const int shown = std::clamp(entryCount, 1, kVisibleEntries);
    return shown * entryHeight + 3;
}

QRect listGeometry(const QRect& field, int height, int screenBottom)
{
    int top = field.bottom() + 1;
    if (top + height > screenBottom)
        top = field.top() - height - 1;
    return {field.left(), top, field.width(), height};
}

QDate startingDate(const QString& fieldText, const QDate& today)
{
    static const QRegularExpression form(QStringLiteral("^\\d{2}/\\d{2}/\\d{4}$"));
    if (!form.match(fieldText).hasMatch())
        return today;
    const QDate date = QDate::fromString(fieldText, Formats::shortDate);
    return date.isValid() ? date : today;
}

QPoint datePickerPosition(const QRect& field, int pickerHeight, int screenHeight)
{
    const int below = field.top() + 15;
    if (below + pickerHeight < screenHeight - 30)
        return {field.left(), below};
    return {field.left(), screenHeight - 30 - pickerHeight};
}

QString monthNameInCapitals(int month)
{
    static const char* const names[] = {"JANVIER", "FÉVRIER", "MARS",      "AVRIL",   "MAI",      "JUIN",
                                        "JUILLET", "AOÛT",    "SEPTEMBRE", "OCTOBRE", "NOVEMBRE", "DÉCEMBRE"};
    return month >= 1 && month <= 12 ? QString::fromUtf8(names[month - 1]) : QString();
}

} // namespace PickerRules
