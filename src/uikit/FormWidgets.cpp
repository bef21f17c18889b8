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

QPushButton* pictureButton(QWidget* parent, const QString& name, const QString& hint, const QIcon& icon)
{
    auto* button = new QPushButton(icon, QString(), parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    return button;
}

QPushButton* pictureButton(QWidget* parent, const QString& name, const QString& hint,
                           QStyle::StandardPixmap icon)
{
    return pictureButton(parent, name, hint, parent->style()->standardIcon(icon));
}

QPushButton* pickButton(QWidget* parent, const QString& name, const QString& hint)
{
    QPushButton* button = pictureButton(parent, name, hint, QStyle::SP_ArrowDown);
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
