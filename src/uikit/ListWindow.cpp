#include "ListWindow.h"

#include "CommandGuard.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

ListWindow::ListWindow(const QString& objectName, const QString& title, GridPanelSettings settings,
                       QWidget* parent)
    : QDialog(parent), m_panel(new GridPanel(std::move(settings), this))
{
    setObjectName(objectName);
    setWindowTitle(title.trimmed());
    if (m_panel->grid()->accessibleName().isEmpty())
        m_panel->grid()->setAccessibleName(title.trimmed());

    auto* closeButton = new QPushButton(QStringLiteral(" &Fermer"), this);
    closeButton->setObjectName(QStringLiteral("Btn_Close"));
    closeButton->setAccessibleName(QStringLiteral("Fermer"));
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &ListWindow::Btn_CloseClick);
    m_panel->buttonRow()->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panel);
    resize(640, 440);

    m_panel->reload();
    updateButtons();
}

ListWindow::~ListWindow()
{
    m_panel->close();
}

void ListWindow::done(int result)
{
    m_panel->close();
    QDialog::done(result);
}

void ListWindow::updateButtons()
{
    m_panel->refreshStates(true);
}
