#include "UpdateLog.h"

#include "Clock.h"

UpdateLog::UpdateLog(const QString& path) : m_file(path)
{
    m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void UpdateLog::write(const QString& message)
{
    if (!m_file.isOpen())
        return;
    QByteArray line;
    if (!message.isEmpty())
        line =
            Clock::now().toString(QStringLiteral("dd/MM/yyyy-hh:mm:ss")).toUtf8() + " : " + message.toUtf8();
    m_file.write(line + '\n');
    m_file.flush();
}
