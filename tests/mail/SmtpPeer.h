#pragma once

#include "SmtpClient.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

// The server settings of a peer on 127.0.0.1, with short waits.
inline SmtpServer local(int port)
{
    SmtpServer server;
    server.host = QStringLiteral("127.0.0.1");
    server.port = port;
    server.connectTimeoutSeconds = 5;
    server.replyTimeoutSeconds = 5;
    return server;
}

// A mail peer on 127.0.0.1 run by tests/mail/smtp_peer.py (aiosmtpd or a
// scripted socket), and the reader of what it received.
class SmtpPeer
{
public:
    static QString script() { return QStringLiteral(BRIVOLINE_SOURCE_DIR "tests/mail/smtp_peer.py"); }

    // mode: "serve" (with options), "silent" or "drop-in-data".
    explicit SmtpPeer(const QString& mode, const QStringList& options = {})
    {
        QStringList args{script(), mode};
        if (mode == QLatin1String("serve"))
            args << m_folder.path();
        args << options;
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"), args);
        if (!m_process.waitForStarted(10000))
            return;
        while (m_port == 0 && m_process.waitForReadyRead(15000)) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PORT ")))
                m_port = line.mid(5).toInt();
        }
    }
    ~SmtpPeer()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    int port() const { return m_port; }
    QString folder() const { return m_folder.path(); }
    int received() const
    {
        return static_cast<int>(
            QDir(m_folder.path()).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
    }
    QJsonObject envelope(int n) const
    {
        return QJsonDocument::fromJson(
                   TestFolders::readFile(m_folder.path() + QStringLiteral("%1.json").arg(n)))
            .object();
    }
    QString rawMessage(int n) const
    {
        return QString::fromUtf8(TestFolders::readFile(m_folder.path() + QStringLiteral("%1.eml").arg(n)));
    }
    // The message as Python's email package reads it.
    QJsonObject parsed(int n) const
    {
        QProcess parser;
        parser.start(QStringLiteral("/usr/bin/python3"),
                     {script(), QStringLiteral("parse"), m_folder.path() + QStringLiteral("%1.eml").arg(n)});
        parser.waitForFinished(30000);
        return QJsonDocument::fromJson(parser.readAllStandardOutput()).object();
    }

private:
    TestFolders::Scratch m_folder;
    QProcess m_process;
    int m_port = 0;
};
