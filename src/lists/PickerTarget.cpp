#include "PickerTarget.h"

#include "DataBinding.h"
#include "DatasetUtils.h"

#include <QLineEdit>

namespace PickerTarget {
namespace {
FieldBinding* bindingOf(QLineEdit* field)
{
    auto* binding = field->findChild<FieldBinding*>(QString(), Qt::FindDirectChildrenOnly);
    return binding && binding->dataset() && binding->dataset()->isActive() ? binding : nullptr;
}
} // namespace

void prepare(QLineEdit* field)
{
    if (FieldBinding* binding = bindingOf(field))
        DatasetUtils::editIfNeeded(*binding->dataset());
}

void write(QLineEdit* field, const QString& text)
{
    FieldBinding* binding = bindingOf(field);
    if (!binding) {
        field->setText(text);
        return;
    }
    Dataset& dataset = *binding->dataset();
    DatasetUtils::editIfNeeded(dataset);
    const Field f = dataset.field(binding->fieldName());
    if (text.isEmpty())
        f.clear();
    else
        f.setAsString(text);
}
} // namespace PickerTarget
