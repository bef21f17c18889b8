#include "SmtpClient.h"

#include "Clock.h"

#include <cmath>
#include <curl/curl.h>
#include <memory>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QUrl>

namespace SmtpClient {
namespace {

struct EasyFree
{
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiFree
{
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct MimeFree
{
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};
struct ListFree
{
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Easy = std::unique_ptr<CURL, EasyFree>;
using Multi = std::unique_ptr<CURLM, MultiFree>;
using Mime = std::unique_ptr<curl_mime, MimeFree>;
using List = std::unique_ptr<curl_slist, ListFree>;

void append(List& list, const QString& line)
{
    curl_slist* grown = curl_slist_append(list.get(), line.toUtf8().constData());
    if (!grown)
        throw MailError(QStringLiteral("Mémoire insuffisante pour préparer le message."));
    (void)list.release();
    list.reset(grown);
}

// What the server said last, and to which command: the failure texts name
// the refused address or quote the refusal.
struct Exchange
{
    QString lastCommand;
    QString lastReply;
    QString pendingReply; // lines of a multi-line reply not finished yet
    qint64 sent = 0;
    bool quitting = false;
    // Since the last byte went either way: how long a time-out really waited.
    QElapsedTimer quiet;
};

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user)
{
    auto* exchange = static_cast<Exchange*>(user);
    if (type != CURLINFO_TEXT)
        exchange->quiet.restart();
    const QString text = QString::fromUtf8(data, static_cast<qsizetype>(size));
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    // The closing QUIT says nothing about the failure being reported.
    if (exchange->quitting)
        return 0;
    if (type == CURLINFO_HEADER_OUT) {
        for (const QString& line : lines) {
            if (line.trimmed().compare(QLatin1String("QUIT"), Qt::CaseInsensitive) == 0) {
                exchange->quitting = true;
                return 0;
            }
            // Never keep what follows AUTH: it carries the credentials.
            exchange->lastCommand = line.startsWith(QLatin1String("AUTH"), Qt::CaseInsensitive)
                                        ? QStringLiteral("AUTH")
                                        : line.trimmed();
        }
    } else if (type == CURLINFO_HEADER_IN) {
        for (const QString& line : lines) {
            exchange->pendingReply +=
                (exchange->pendingReply.isEmpty() ? QString() : QStringLiteral("\r")) + line;
            if (line.size() < 4 || line.at(3) != QLatin1Char('-')) {
                exchange->lastReply = exchange->pendingReply;
                exchange->pendingReply.clear();
            }
        }
    }
    return 0;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow)
{
    static_cast<Exchange*>(user)->sent = static_cast<qint64>(ulnow);
    return 0;
}

void check(CURLcode code)
{
    if (code != CURLE_OK)
        throw MailError(QStringLiteral("Préparation du message impossible : %1")
                            .arg(QString::fromUtf8(curl_easy_strerror(code))));
}

// The server part of the URL: an IPv6 address in brackets, a host name
// in its ASCII form; anything else (blanks, line breaks, slashes) refused.
QString urlHost(const QString& host)
{
    const QString trimmed = host.trimmed();
    if (trimmed.contains(QLatin1Char(':'))) {
        for (const QChar c : trimmed)
            if (!(c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')) ||
                  c == QLatin1Char(':') || c == QLatin1Char('.')))
                throw MailError(
                    QStringLiteral("Le nom du serveur SMTP « %1 » n'est pas valide.").arg(trimmed));
        return QLatin1Char('[') + trimmed + QLatin1Char(']');
    }
    const QString ace = QString::fromLatin1(QUrl::toAce(trimmed));
    bool ok = !ace.isEmpty();
    for (const QChar c : ace)
        ok = ok &&
             ((c.isLetterOrNumber() && c.unicode() < 0x80) || c == QLatin1Char('-') || c == QLatin1Char('.'));
    if (!ok)
        throw MailError(QStringLiteral("Le nom du serveur SMTP « %1 » n'est pas valide.")
                            .arg(QString(trimmed).replace(QRegularExpression(QStringLiteral("[\\r\\n]+")),
                                                          QStringLiteral(" "))));
    return ace;
}

// How the program introduces itself to the server (EHLO).
QString heloName()
{
    const QString name = QString::fromLatin1(QUrl::toAce(QSysInfo::machineHostName()));
    for (const QChar c : name)
        if (!((c.isLetterOrNumber() && c.unicode() < 0x80) || c == QLatin1Char('-') || c == QLatin1Char('.')))
            return QStringLiteral("localhost");
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

QString addressIn(const QString& command)
{
    const qsizetype open = command.indexOf(QLatin1Char('<'));
    const qsizetype close = command.lastIndexOf(QLatin1Char('>'));
    return open >= 0 && close > open ? command.mid(open + 1, close - open - 1) : command;
}

bool isRefusal(const QString& reply)
{
    return !reply.isEmpty() && (reply.at(0) == QLatin1Char('4') || reply.at(0) == QLatin1Char('5'));
}

void addAttachment(curl_mime* mime, const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        throw MailError(QStringLiteral("La pièce jointe « %1 » est introuvable ou illisible.").arg(path));
    curl_mimepart* part = curl_mime_addpart(mime);
    if (!part)
        throw MailError(QStringLiteral("Mémoire insuffisante pour préparer le message."));
    check(curl_mime_filedata(part, QFile::encodeName(path).constData()));
    check(curl_mime_type(part, MailFormat::attachmentContentType(path).toUtf8().constData()));
    check(curl_mime_encoder(part, "base64"));
    List headers;
    append(headers, MailFormat::attachmentDisposition(path));
    check(curl_mime_headers(part, headers.release(), 1));
}

} // namespace

QString failureText(int curlCode, const SmtpServer& server, const QString& lastCommand,
                    const QString& lastReply, const QString& curlDetail, int secondsWaited)
{
    const QString host = server.host.trimmed();
    switch (curlCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("Le serveur de messagerie « %1 » est introuvable.\r"
                              "Vérifiez le nom du serveur SMTP dans les propriétés.")
            .arg(host);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("Le serveur de messagerie « %1 » refuse la connexion sur le port %2.\r"
                              "Vérifiez le serveur et le port SMTP dans les propriétés.")
            .arg(host)
            .arg(server.port);
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("Le serveur de messagerie « %1 » ne répond pas : l'envoi a été abandonné "
                              "après %2 secondes d'attente.")
            .arg(host)
            .arg(secondsWaited);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("Le serveur de messagerie a refusé le nom d'utilisateur ou le mot de passe.") +
               (lastReply.isEmpty() ? QString() : QStringLiteral("\r") + lastReply);
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral(
                   "Le serveur de messagerie « %1 » ne propose pas de connexion chiffrée (STARTTLS).")
            .arg(host);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("La connexion chiffrée avec le serveur de messagerie « %1 » a échoué :\r%2")
            .arg(host, curlDetail);
    case CURLE_READ_ERROR:
        return QStringLiteral("Une pièce jointe n'a pas pu être lue pendant l'envoi.");
    default:
        break;
    }
    if (isRefusal(lastReply)) {
        if (lastCommand.startsWith(QLatin1String("RCPT"), Qt::CaseInsensitive))
            return QStringLiteral("Le serveur de messagerie a refusé le destinataire « %1 » :\r%2")
                .arg(addressIn(lastCommand), lastReply);
        if (lastCommand.startsWith(QLatin1String("MAIL"), Qt::CaseInsensitive))
            return QStringLiteral("Le serveur de messagerie a refusé l'adresse de l'expéditeur « %1 » :\r%2")
                .arg(addressIn(lastCommand), lastReply);
        if (lastCommand.startsWith(QLatin1String("DATA"), Qt::CaseInsensitive))
            return QStringLiteral("Le serveur de messagerie a refusé le message :\r%1").arg(lastReply);
        return QStringLiteral("Le serveur de messagerie a refusé l'envoi :\r%1").arg(lastReply);
    }
    switch (curlCode) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral(
                   "La connexion avec le serveur de messagerie « %1 » a été interrompue avant la fin "
                   "de l'envoi. Le message n'a pas été expédié.")
            .arg(host);
    default:
        return QStringLiteral("L'envoi du message a échoué :\r%1").arg(curlDetail);
    }
}

void send(const SmtpServer& server, const MailMessage& message, const Progress& progress)
{
    const QString host = urlHost(server.host);
    if (host.isEmpty())
        throw MailError(QStringLiteral("Aucun serveur SMTP n'est indiqué dans les propriétés."));
    // Both checks raise with the French text before anything is sent.
    const QStringList headers = MailFormat::headerLines(message, Clock::now());
    const QStringList recipients = MailFormat::envelopeRecipients(message);
    if (recipients.isEmpty())
        throw MailError(QStringLiteral("Indiquez au moins un destinataire."));

    // Declared so that the easy handle goes first (leaving the multi handle
    // on its own), then the parts and lists it pointed to.
    List headerList;
    for (const QString& line : headers)
        append(headerList, line);
    List recipientList;
    for (const QString& r : recipients)
        append(recipientList, QLatin1Char('<') + r + QLatin1Char('>'));
    Mime mime;
    Multi multi(curl_multi_init());
    Easy easy(curl_easy_init());
    if (!easy || !multi)
        throw MailError(QStringLiteral("La bibliothèque d'envoi des emails (libcurl) ne peut pas démarrer."));
    CURL* h = easy.get();

    mime.reset(curl_mime_init(h));
    curl_mimepart* text = curl_mime_addpart(mime.get());
    const QByteArray body = MailFormat::bodyBytes(message.body);
    check(curl_mime_data(text, body.constData(), static_cast<size_t>(body.size())));
    check(curl_mime_type(text, "text/plain; charset=utf-8"));
    check(curl_mime_encoder(text, "quoted-printable"));
    for (const QString& path : message.attachments)
        addAttachment(mime.get(), path);

    const int port = server.port > 0 ? server.port : 25;
    const QByteArray url = QStringLiteral("smtp://%1:%2/%3").arg(host).arg(port).arg(heloName()).toUtf8();
    const QByteArray from = (QLatin1Char('<') + message.senderEmail + QLatin1Char('>')).toUtf8();
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Exchange exchange;
    exchange.quiet.start();

    check(curl_easy_setopt(h, CURLOPT_URL, url.constData()));
    check(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
    check(curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData()));
    check(curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipientList.get()));
    check(curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get()));
    check(curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get()));
    check(curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer));
    check(curl_easy_setopt(h, CURLOPT_VERBOSE, 1L));
    check(curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &onDebug));
    check(curl_easy_setopt(h, CURLOPT_DEBUGDATA, &exchange));
    check(curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L));
    check(curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &onProgress));
    check(curl_easy_setopt(h, CURLOPT_XFERINFODATA, &exchange));
    // The bounded wait: a server that stops answering ends the exchange.
    check(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(server.connectTimeoutSeconds)));
    check(
        curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(server.replyTimeoutSeconds)));
    check(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L));
    check(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(server.replyTimeoutSeconds)));

    const QByteArray user = server.user.toUtf8();
    const QByteArray password = server.password.toUtf8();
    const QByteArray caFile = QFile::encodeName(server.caFile);
    if (server.startTls) {
        check(curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL)));
        if (!server.caFile.isEmpty())
            check(curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData()));
    }
    if (server.authenticate) {
        check(curl_easy_setopt(h, CURLOPT_USERNAME, user.constData()));
        check(curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData()));
    }

    // The multi interface lets the caller process window events between
    // short waits instead of blocking for a whole exchange.
    if (curl_multi_add_handle(multi.get(), h) != CURLM_OK)
        throw MailError(QStringLiteral("La bibliothèque d'envoi des emails (libcurl) ne peut pas démarrer."));
    int running = 1;
    while (running) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
            break;
        if (progress)
            progress(exchange.sent);
        if (running)
            curl_multi_poll(multi.get(), nullptr, 0, 50, nullptr);
    }
    CURLcode result = CURLE_SEND_ERROR;
    int pending = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &pending))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == h)
            result = msg->data.result;
    curl_multi_remove_handle(multi.get(), h);
    if (result != CURLE_OK) {
        const QString detail =
            errorBuffer[0] ? QString::fromUtf8(errorBuffer) : QString::fromUtf8(curl_easy_strerror(result));
        // Which limit ran out depends on the step (curl counts the greeting and
        // the login against the connection's limit), so the wait is measured.
        const int waited = int(std::lround(double(exchange.quiet.elapsed()) / 1000.0));
        throw MailError(
            failureText(result, server, exchange.lastCommand, exchange.lastReply, detail, waited));
    }
}

} // namespace SmtpClient
