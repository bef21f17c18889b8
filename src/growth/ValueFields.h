#pragma once

#include <QString>

class Dataset;
class EntryDialog;
class QLineEdit;
class TDataModule1;

// Fields the measurement, result and analysis entry dialogs share.
namespace ValueFields {

// Refuses a row whose date or value is missing: a blank value would store
// nothing, and a measurement without a date has no place on a chart.
// Throws AppError with the French text.
void requireDateAndValue(const Dataset& row, const QString& dateField, const QString& valueField);

// True when the value field holds more than nothing: the Ok rule.
bool isTyped(const QLineEdit* value);

// "Unité" and "Décimal" with their pick lists, then "Valeur minimale" and
// "Valeur maximale", whose number formats follow the unit and the decimals
// as they change.
void addRangeFields(EntryDialog& dialog, TDataModule1& dm);

// Sets the edit and display formats of the fields after the row's
// decimals and unit.
void applyFormats(Dataset& row, int decimals, const QString& unit, const QStringList& fields);

} // namespace ValueFields
