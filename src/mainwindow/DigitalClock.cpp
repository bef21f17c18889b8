#include "DigitalClock.h"

#include "Clock.h"
#include "Formats.h"

#include <QTimer>

DigitalClock::DigitalClock(QWidget* parent) : QLabel(parent), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("DigitalTime"));
    setAccessibleName(QStringLiteral("Heure"));
    setAlignment(Qt::AlignCenter);
    QFont f = font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    f.setFamily(QStringLiteral("Monospace"));
    f.setStyleHint(QFont::TypeWriter);
    setFont(f);
    setStyleSheet(QStringLiteral("color: #0050d2;"));
    m_timer->setObjectName(QStringLiteral("Clock"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &DigitalClock::tick);
    m_timer->start();
    tick();
}

QString DigitalClock::timeText(const QTime& time, bool blinkPhase)
{
    QString t = time.toString(Formats::longTime).left(5);
    if (blinkPhase)
        t[2] = QLatin1Char(' ');
    return t;
}

void DigitalClock::tick()
{
    m_blink = !m_blink;
    setText(timeText(Clock::now().time(), !m_blink));
}
