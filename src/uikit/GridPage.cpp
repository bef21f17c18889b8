#include "GridPage.h"

#include <QVBoxLayout>

GridPage::GridPage(GridPanelSettings settings, QWidget* parent)
    : PersonPage(parent), m_panel(new GridPanel(std::move(settings), this))
{
    connect(m_panel, &GridPanel::changed, this, &PersonPage::commandsChanged);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->addWidget(m_panel);
}
