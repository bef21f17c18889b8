#include "Messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>

namespace Messages {
namespace {
Handler g_handler;

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

const char* iconName(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return "information";
    case Icon::Warning:
        return "warning";
    case Icon::Error:
        return "error";
    case Icon::Question:
        return "question";
    case Icon::None:
        break;
    }
    return "plain";
}
} // namespace

QString displayText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

Answer show(Icon icon, const QString& text, bool yesNo)
{
    if (g_handler)
        return g_handler(Message{icon, text, yesNo});
    QMessageBox box(boxIcon(icon), QApplication::applicationDisplayName(), displayText(text),
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    QApplication::activeWindow());
    if (yesNo) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Non"));
    }
    const int result = box.exec();
    if (!yesNo)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void setHandler(Handler handler)
{
    g_handler = std::move(handler);
}

Recorder::Recorder()
{
    setHandler([this](const Message& m) {
        m_messages << m;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return m.yesNo ? Answer::Yes : Answer::Ok;
    });
}

Recorder::~Recorder()
{
    setHandler({});
}

QStringList Recorder::texts() const
{
    QStringList t;
    for (const Message& m : m_messages)
        t << m.text;
    return t;
}

void installLogHandlerFromEnvironment()
{
    const QString path = qEnvironmentVariable("BRIVOLINE_MESSAGE_LOG");
    if (path.isEmpty())
        return;
    setHandler([path](const Message& m) {
        QFile log(path);
        if (log.open(QIODevice::Append)) {
            QString line = QString::fromLatin1(iconName(m.icon)) + QLatin1Char('\t') + m.text;
            line.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
            log.write(line.toUtf8() + '\n');
        }
        return m.yesNo ? Answer::Yes : Answer::Ok;
    });
}

} // namespace Messages
