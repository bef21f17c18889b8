#include "ChartPanel.h"

#include "CommandGuard.h"
#include "FormWidgets.h"
#include "LineChart.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QVBoxLayout>

ChartPanel::ChartPanel(const QString& chartName, const QString& accessibleName, QWidget* parent)
    : QWidget(parent), m_chart(new LineChart(this)), m_strip(new QVBoxLayout)
{
    m_chart->setObjectName(chartName);
    m_chart->setAccessibleName(accessibleName);
    m_strip->setSpacing(2);
    m_strip->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    // The chart gives way first when the window is narrow (800 pixels).
    m_chart->setMinimumWidth(80);
    layout->addWidget(m_chart, 1);
    layout->addLayout(m_strip);
}

QPushButton* ChartPanel::addButton(const QString& name, const QString& hint, const QString& themeIcon,
                                   QStyle::StandardPixmap fallback, std::function<void()> handler)
{
    QPushButton* button = FormWidgets::pictureButton(
        this, name, hint, QIcon::fromTheme(themeIcon, style()->standardIcon(fallback)));
    button->setFixedSize(30, 28);
    button->setAutoDefault(false);
    m_strip->insertWidget(m_strip->count() - 1, button);
    if (handler) {
        connectCommand(button, &QPushButton::clicked, this, std::move(handler));
        m_working << button;
    } else {
        button->setEnabled(false);
    }
    return button;
}

void ChartPanel::setAvailable(bool available)
{
    m_chart->setEnabled(available);
    for (QPushButton* button : m_working)
        button->setEnabled(available);
}
