#include "TWait.h"

#include <algorithm>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TWait::TWait(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint), m_task(new QLabel(this)),
      m_message(new QLabel(QStringLiteral("Quelques instants, SVP ..."), this)),
      m_gaugeBack(new QFrame(this)), m_gaugeCursor(new QFrame(m_gaugeBack)),
      m_cancel(new QPushButton(QStringLiteral(" &Annuler"), this))
{
    setObjectName(QStringLiteral("Wait"));
    setWindowModality(Qt::ApplicationModal);
    m_task->setObjectName(QStringLiteral("Lab_Task"));
    m_message->setObjectName(QStringLiteral("Lab_Msg"));
    m_gaugeBack->setObjectName(QStringLiteral("Gauge_Back"));
    m_gaugeCursor->setObjectName(QStringLiteral("Gauge_Cursor"));

    QFont bold = m_task->font();
    bold.setBold(true);
    m_task->setFont(bold);
    m_task->setAlignment(Qt::AlignCenter);
    m_message->setAlignment(Qt::AlignCenter);

    m_gaugeBack->setFixedSize(kBarWidth, 14);
    m_gaugeBack->setFrameShape(QFrame::Box);
    m_gaugeBack->setStyleSheet(
        QStringLiteral("#Gauge_Back { background: white; border: 1px solid #7a8ba8; }"));
    m_gaugeCursor->setStyleSheet(QStringLiteral("background: #3163d4;"));
    m_gaugeCursor->setGeometry(0, 0, 0, 14);
    m_gaugeBack->hide();

    setStyleSheet(QStringLiteral("TWait { background: #fffff2; border: 1px solid #4a6aa8; }"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(m_task);
    layout->addWidget(m_message);
    layout->addWidget(m_gaugeBack, 0, Qt::AlignHCenter);
    m_cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    m_cancel->setAccessibleName(QStringLiteral("Annuler"));
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelRequested = true;
        m_cancel->setEnabled(false);
    });
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(kBarWidth + 48);
}

void TWait::setTask(const QString& text)
{
    m_task->setText(text);
}

void TWait::setMessage(const QString& text)
{
    m_message->setText(text);
}

void TWait::setTotal(qint64 total)
{
    m_total = total;
    m_counter = 0;
    m_gaugeCursor->resize(0, m_gaugeCursor->height());
}

void TWait::setBarVisible(bool visible)
{
    m_gaugeBack->setVisible(visible);
}

int TWait::cursorWidth() const
{
    return m_gaugeCursor->width();
}

void TWait::step(const QString& text, Line line)
{
    (line == Line::Task ? m_task : m_message)->setText(text);
    ++m_counter;
    const qint64 width =
        m_total > 0 ? qMin<qint64>(kBarWidth, static_cast<qint64>(m_counter) * kBarWidth / m_total) : 0;
    m_gaugeCursor->resize(static_cast<int>(width), m_gaugeCursor->height());
    QApplication::processEvents();
}

void TWait::setPosition(qint64 position)
{
    const qint64 width = m_total > 0 ? std::clamp<qint64>(position * kBarWidth / m_total, 0, kBarWidth) : 0;
    m_gaugeCursor->resize(static_cast<int>(width), m_gaugeCursor->height());
    QApplication::processEvents();
}

void TWait::setProgress(int done, int total)
{
    m_total = total;
    m_counter = done;
    setPosition(done);
}

void TWait::setCancellable(bool cancellable)
{
    m_cancel->setVisible(cancellable);
    m_cancel->setEnabled(true);
    m_cancelRequested = false;
}

void TWait::centreInWorkArea()
{
    adjustSize();
    const QScreen* screen = QApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}
