#pragma once

#include <QString>

// Households for the Jet tests, first as SQLite databases (the source the
// converted records are compared with), then written as Jet files.
namespace JetSamples {

// The 3.20 layout (OlderLayout: bitmaps in the rows) with the rows that try
// a Jet file's types: a date before 1900 and one with its time, NULLs,
// accents, "œ" and "€", amounts to the 1/10 000, memos in the row, on one
// long-value page and over several.
void olderHousehold(const QString& sqlitePath);

// The same rows in a copy of the template, the layout of version 3.51, with
// a picture document (1) and an attached file (3) whose files lie outside it.
void currentHousehold(const QString& sqlitePath);

// A memo of that many characters, accents, "œ" and "€" among them.
QString longText(int characters);

} // namespace JetSamples
