#include "FormWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace FormWidgets {
QLabel* caption(const QString& text, QWidget* field, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    field->setAccessibleName(QString(text).remove(QLatin1Char('&')).simplified());
    return label;
}

QPushButton* pickButton(QWidget* parent, const QString& name, const QString& hint)
{
    auto* button = new QPushButton(parent->style()->standardIcon(QStyle::SP_ArrowDown), QString(), parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFixedSize(24, 22);
    return button;
}

OkCancel okCancel(QWidget* parent)
{
    OkCancel buttons{new QHBoxLayout, new QPushButton(QStringLiteral(" &Ok"), parent),
                     new QPushButton(QStringLiteral(" &Annuler"), parent)};
    buttons.ok->setObjectName(QStringLiteral("Btn_Ok"));
    buttons.ok->setDefault(true);
    buttons.cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    // Assistive technologies read the caption without its leading blank.
    buttons.ok->setAccessibleName(QStringLiteral("Ok"));
    buttons.cancel->setAccessibleName(QStringLiteral("Annuler"));
    buttons.row->addStretch();
    buttons.row->addWidget(buttons.ok);
    buttons.row->addWidget(buttons.cancel);
    return buttons;
}
} // namespace FormWidgets
