#include "PreviousPage.h"

#include "DataBinding.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

PreviousPage::PreviousPage(Dataset& person, QWidget* parent)
    : PersonPage(parent), m_previous(new QPlainTextEdit(this))
{
    m_previous->setObjectName(QStringLiteral("Ed_Previous"));
    m_previous->setAccessibleName(QStringLiteral("Antécédants familiaux"));
    m_previous->setTabChangesFocus(true);
    DataBinding::bind(m_previous, person, QStringLiteral("Previous"));
    auto* caption = new QLabel(QStringLiteral("&Antécédants familiaux"), this);
    caption->setBuddy(m_previous);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->addWidget(caption);
    layout->addWidget(m_previous, 1);
}

void PreviousPage::refreshCommandStates(bool hasPerson)
{
    m_previous->setEnabled(hasPerson);
}
