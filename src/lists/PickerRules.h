#pragma once

#include <QDate>
#include <QRect>
#include <QStringList>

// The rules of the pickers that need no window: what a list offers, where
// it opens, how the date picker moves through the calendar.
namespace PickerRules {

// One entry a line; a list read from a pick-list column starts with an
// empty entry that clears the field. Sorting keeps that entry first.
QStringList entries(const QString& text, bool sorted, bool withEmptyEntry);
// Lines of a column for its editor: sorted without regard to case,
// repeated lines (without regard to case) shown once.
QStringList editorLines(const QString& text);
// A stored column's lines, whatever line ends wrote it.
QStringList lines(const QString& text);

inline constexpr int kVisibleEntries = 8;
// 8 entries high at most, as high as its entries below that, one entry high when empty.
int listHeight(int entryCount, int entryHeight);
// Under the field, or above it when it would pass the screen's bottom.
QRect listGeometry(const QRect& field, int height, int screenBottom);

// The field's text when it is a real date written dd/mm/yyyy, else today.
QDate startingDate(const QString& fieldText, const QDate& today);
// Left at the field; 15 pixels below its top unless the picker would end
// less than 30 pixels above the screen's bottom, then 30 pixels above it.
QPoint datePickerPosition(const QRect& field, int pickerHeight, int screenHeight);
QString monthNameInCapitals(int month);

} // namespace PickerRules
