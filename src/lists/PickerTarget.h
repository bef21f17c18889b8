#pragma once

#include <QString>

class QLineEdit;

// Where a picker's choice goes: into the field's dataset when the field is
// bound to one (the dataset is put into edit as the picker opens), else
// into the field's text.
namespace PickerTarget {
void prepare(QLineEdit* field);
// An empty text clears a bound field (no value).
void write(QLineEdit* field, const QString& text);
} // namespace PickerTarget
