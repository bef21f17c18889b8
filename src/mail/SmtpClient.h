#pragma once

#include "MailMessage.h"

#include <functional>

// The mail server and how long to wait for it.
struct SmtpServer
{
    QString host;
    int port = 25;
    // Off by default: the plain exchange without encryption or login.
    bool startTls = false;
    bool authenticate = false;
    QString user;
    QString password;
    // An extra certificate authority (PEM file) besides the system's, for a
    // server with a certificate of its own.
    QString caFile;

    // No answer for this long ends the exchange: connecting, each reply of
    // the server, and a transfer that stops moving.
    int connectTimeoutSeconds = 30;
    int replyTimeoutSeconds = 60;
};

// Sends messages through libcurl (SMTP, MIME parts built by curl_mime).
namespace SmtpClient {

// Called often while the message goes out, with the bytes sent so far, so
// the caller can move its progress window and let window events through.
using Progress = std::function<void(qint64 sent)>;

// Connects, sends one message and disconnects. The body is a
// quoted-printable text part; each attachment a base64 part under its own
// name. Throws MailError with a French text: host not found, connection
// refused, an address or the message refused (with the server's reply),
// the connection lost, no answer within the bounded wait, login refused.
void send(const SmtpServer& server, const MailMessage& message, const Progress& progress = {});

// The French text for a failure, from curl's code, the server's last reply
// and the command it answered; a time-out states the seconds waited.
QString failureText(int curlCode, const SmtpServer& server, const QString& lastCommand,
                    const QString& lastReply, const QString& curlDetail, int secondsWaited);

} // namespace SmtpClient
