#include "TNewGauge.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TNewGauge::TNewGauge(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_info(new QLabel(QStringLiteral("Données"), this)), m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("Annuler"), this))
{
    setObjectName(QStringLiteral("NewGauge"));
    m_info->setObjectName(QStringLiteral("info"));
    m_bar->setObjectName(QStringLiteral("Gauge"));
    m_cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    m_cancel->hide();

    QFont bold = m_info->font();
    bold.setBold(true);
    m_info->setFont(bold);
    m_info->setAlignment(Qt::AlignCenter);
    // A database path can be long: it is cut in the middle rather than widening the window.
    m_info->setMinimumWidth(1);
    m_info->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(14);
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_bar->setAccessibleName(QStringLiteral("Progression de la mise à jour"));

    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("TNewGauge { background: #fffff2; border: 1px solid #4a6aa8; }"
                                 "QProgressBar { background: white; border: 1px solid #7a8ba8; }"
                                 "QProgressBar::chunk { background: #3163d4; }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(m_info);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setFixedWidth(380);
}

void TNewGauge::setText(const QString& text)
{
    m_info->setText(m_info->fontMetrics().elidedText(text, Qt::ElideMiddle, width() - 40));
    m_info->setToolTip(text);
    m_info->setAccessibleName(text);
    QApplication::processEvents();
}

QString TNewGauge::text() const
{
    return m_info->accessibleName().isEmpty() ? m_info->text() : m_info->accessibleName();
}

void TNewGauge::setTotal(int total)
{
    m_bar->setRange(0, qMax(1, total));
    m_bar->setValue(0);
}

void TNewGauge::step(int steps)
{
    m_bar->setValue(qMin(m_bar->maximum(), m_bar->value() + steps));
    QApplication::processEvents();
}

int TNewGauge::position() const
{
    return m_bar->value();
}

int TNewGauge::total() const
{
    return m_bar->maximum();
}

void TNewGauge::showCentred()
{
    adjustSize();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    show();
    QApplication::processEvents();
}
