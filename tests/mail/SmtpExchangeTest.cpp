// Messages sent through libcurl to a real SMTP server (aiosmtpd) and read
// back with Python's email package; failures of the server side.
#include "SmtpClient.h"
#include "SmtpPeer.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRandomGenerator>

namespace {

QString sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(generator.bounded(256));
    return bytes;
}

MailMessage basicMessage()
{
    MailMessage m;
    m.senderName = QStringLiteral("Famille Durand");
    m.senderEmail = QStringLiteral("famille@example.org");
    m.to = QStringLiteral("medecin@example.org");
    m.subject = QStringLiteral("Ordonnance");
    m.body = QStringLiteral("Bonjour");
    return m;
}

QString sendFailure(const SmtpServer& server, const MailMessage& message)
{
    try {
        SmtpClient::send(server, message);
    } catch (const MailError& e) {
        return e.text();
    }
    return {};
}

QString header(const QJsonObject& parsed, const char* name)
{
    const QJsonArray values = parsed[QStringLiteral("headers")][QLatin1String(name)].toArray();
    return values.isEmpty() ? QString() : values.first().toString();
}

TEST(SmtpExchange, MessageArrivesAsDesignedWithItsAttachmentsAndBlindCopies)
{
    SmtpPeer peer(QStringLiteral("serve"));
    ASSERT_GT(peer.port(), 0);
    TestFolders::Scratch files;
    const QByteArray jpeg = randomBytes(70'000);
    const QByteArray pdf = randomBytes(3'001);
    const QString picture = files.path() + QStringLiteral("Radio du genou.jpg");
    const QString letter = files.path() + QStringLiteral("Compte-rendu échographie été.pdf");
    TestFolders::writeFile(picture, jpeg);
    TestFolders::writeFile(letter, pdf);

    MailMessage m;
    m.senderName = QStringLiteral("Léa@maison");
    m.senderEmail = QStringLiteral("lea@example.org");
    m.to = QStringLiteral("Dr Müller <muller@example.org>, secretariat@example.org");
    m.bcc = QStringLiteral("cache@example.org");
    m.subject = QStringLiteral("Résultats de l'échographie du 12/03 — à garder");
    m.body = QStringLiteral("Bonjour,\nvoici les résultats.\n.\n..deux points\nFin.");
    m.highPriority = true;
    m.readReceipt = true;
    m.attachments = {picture, letter};
    SmtpClient::send(local(peer.port()), m);

    ASSERT_EQ(peer.received(), 1);
    const QJsonObject envelope = peer.envelope(1);
    EXPECT_EQ(envelope[QStringLiteral("from")].toString(), QStringLiteral("lea@example.org"));
    EXPECT_EQ(envelope[QStringLiteral("to")].toArray(),
              QJsonArray({QStringLiteral("muller@example.org"), QStringLiteral("secretariat@example.org"),
                          QStringLiteral("cache@example.org")}));

    const QJsonObject parsed = peer.parsed(1);
    EXPECT_TRUE(parsed[QStringLiteral("defects")].toArray().isEmpty())
        << peer.rawMessage(1).left(2000).toStdString();
    EXPECT_EQ(header(parsed, "from"), QStringLiteral("Léa_maison <lea@example.org>"));
    EXPECT_EQ(header(parsed, "reply-to"), QStringLiteral("lea@example.org"));
    EXPECT_EQ(header(parsed, "to"),
              QStringLiteral("Dr Müller <muller@example.org>, secretariat@example.org"));
    EXPECT_EQ(header(parsed, "subject"), m.subject);
    EXPECT_EQ(header(parsed, "x-priority"), QStringLiteral("1 (Highest)"));
    EXPECT_EQ(header(parsed, "disposition-notification-to"), QStringLiteral("lea@example.org"));
    EXPECT_FALSE(header(parsed, "date").isEmpty());
    EXPECT_FALSE(header(parsed, "message-id").isEmpty());
    EXPECT_FALSE(parsed[QStringLiteral("headers")].toObject().contains(QStringLiteral("cc")));
    EXPECT_FALSE(peer.rawMessage(1).contains(QStringLiteral("cache@example.org")))
        << "blind copies appear nowhere in the message";
    for (const QJsonValue line : parsed[QStringLiteral("raw_header_lines")].toArray())
        EXPECT_LE(line.toString().size(), 998);

    const QJsonObject root = parsed[QStringLiteral("structure")].toObject();
    EXPECT_EQ(root[QStringLiteral("type")].toString(), QStringLiteral("multipart/mixed"));
    const QJsonArray parts = root[QStringLiteral("parts")].toArray();
    ASSERT_EQ(parts.size(), 3);
    const QJsonObject text = parts[0].toObject();
    EXPECT_EQ(text[QStringLiteral("type")].toString(), QStringLiteral("text/plain"));
    EXPECT_EQ(text[QStringLiteral("text")].toString().remove(QLatin1Char('\r')).trimmed(),
              QStringLiteral("Bonjour,\nvoici les résultats.\n.\n..deux points\nFin."))
        << "lines that begin with a dot arrive whole (dot-stuffed on the way)";
    const QJsonObject first = parts[1].toObject();
    EXPECT_EQ(first[QStringLiteral("type")].toString(), QStringLiteral("image/jpeg"));
    EXPECT_EQ(first[QStringLiteral("encoding")].toString(), QStringLiteral("base64"));
    EXPECT_EQ(first[QStringLiteral("filename")].toString(), QStringLiteral("Radio du genou.jpg"));
    EXPECT_EQ(first[QStringLiteral("sha256")].toString(), sha256(jpeg));
    const QJsonObject second = parts[2].toObject();
    EXPECT_EQ(second[QStringLiteral("type")].toString(), QStringLiteral("application/pdf"));
    EXPECT_EQ(second[QStringLiteral("filename")].toString(),
              QStringLiteral("Compte-rendu échographie été.pdf"));
    EXPECT_EQ(second[QStringLiteral("sha256")].toString(), sha256(pdf));
}

TEST(SmtpExchange, TypedLineBreaksNeverMakeHeadersOfTheirOwn)
{
    SmtpPeer peer(QStringLiteral("serve"));
    ASSERT_GT(peer.port(), 0);
    TestFolders::Scratch files;
    const QString odd = files.path() + QStringLiteral("a\r\nBcc: x@evil.example.jpg");
    TestFolders::writeFile(odd, "data");

    MailMessage m = basicMessage();
    m.subject = QStringLiteral("Bonjour\r\nBcc: victim@evil.example\r\n\r\nfaux corps");
    m.senderName = QStringLiteral("Nom\nX-Injected: 1");
    m.to = QStringLiteral("\"Dr\r\nX-Injected: 2\" <medecin@example.org>");
    m.attachments = {odd};
    SmtpClient::send(local(peer.port()), m);

    ASSERT_EQ(peer.received(), 1);
    const QJsonObject parsed = peer.parsed(1);
    const QJsonObject headers = parsed[QStringLiteral("headers")].toObject();
    EXPECT_FALSE(headers.contains(QStringLiteral("bcc")));
    EXPECT_FALSE(headers.contains(QStringLiteral("x-injected")));
    EXPECT_EQ(header(parsed, "subject"), QStringLiteral("Bonjour Bcc: victim@evil.example faux corps"));
    EXPECT_EQ(header(parsed, "from"), QStringLiteral("\"Nom X-Injected: 1\" <famille@example.org>"));
    EXPECT_EQ(peer.envelope(1)[QStringLiteral("to")].toArray(),
              QJsonArray({QStringLiteral("medecin@example.org")}));
    const QJsonArray parts = parsed[QStringLiteral("structure")][QStringLiteral("parts")].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[1].toObject()[QStringLiteral("filename")].toString(),
              QStringLiteral("a\r\nBcc: x@evil.example.jpg"))
        << "the name travels encoded and comes back as it was";

    // Addresses are refused rather than cleaned: a wrong one must not go out.
    for (const QString& bad : {QStringLiteral("medecin@example.org\r\nBcc: x@evil.example"),
                               QStringLiteral("medecin@example.org>\r\nRCPT TO:<x@evil.example"),
                               QStringLiteral("pas une adresse")}) {
        MailMessage refused = basicMessage();
        refused.to = bad;
        EXPECT_TRUE(sendFailure(local(peer.port()), refused).startsWith(QStringLiteral("L'adresse")))
            << bad.toStdString();
        refused = basicMessage();
        refused.senderEmail = bad;
        EXPECT_TRUE(sendFailure(local(peer.port()), refused).startsWith(QStringLiteral("L'adresse")));
    }
    EXPECT_EQ(peer.received(), 1);
}

TEST(SmtpExchange, LargeAttachmentAndFiftyRecipientsWithProgress)
{
    SmtpPeer peer(QStringLiteral("serve"));
    ASSERT_GT(peer.port(), 0);
    TestFolders::Scratch files;
    const QByteArray big = randomBytes(20 * 1024 * 1024);
    const QString path = files.path() + QStringLiteral("scanner.tif");
    TestFolders::writeFile(path, big);

    MailMessage m = basicMessage();
    QStringList to;
    for (int i = 0; i < 50; ++i)
        to << QStringLiteral("personne%1@example.org").arg(i);
    m.to = to.join(QStringLiteral(", "));
    m.attachments = {path};
    qint64 last = 0;
    int calls = 0;
    SmtpClient::send(local(peer.port()), m, [&](qint64 sent) {
        EXPECT_GE(sent, last);
        last = sent;
        ++calls;
    });
    EXPECT_GT(last, big.size() * 4 / 3) << "the base64 text went out";
    EXPECT_GT(calls, 10);

    ASSERT_EQ(peer.received(), 1);
    EXPECT_EQ(peer.envelope(1)[QStringLiteral("to")].toArray().size(), 50);
    const QJsonObject parsed = peer.parsed(1);
    EXPECT_EQ(header(parsed, "to").count(QLatin1Char('@')), 50);
    for (const QJsonValue line : parsed[QStringLiteral("raw_header_lines")].toArray())
        EXPECT_LE(line.toString().size(), 998);
    EXPECT_EQ(
        parsed[QStringLiteral("structure")][QStringLiteral("parts")][1][QStringLiteral("sha256")].toString(),
        sha256(big));
}

TEST(SmtpExchange, EachFailureGivesItsOwnFrenchText)
{
    // Refused: a port nobody listens on.
    SmtpServer closed = local(0);
    {
        SmtpPeer probe(QStringLiteral("silent"));
        closed.port = probe.port();
    }
    EXPECT_TRUE(
        sendFailure(closed, basicMessage()).contains(QStringLiteral("refuse la connexion sur le port")));

    // A recipient the server rejects is named with the server's reply; nothing is delivered.
    SmtpPeer server(QStringLiteral("serve"),
                    {QStringLiteral("--reject"), QStringLiteral("inconnu@example.org")});
    MailMessage m = basicMessage();
    m.to = QStringLiteral("medecin@example.org, inconnu@example.org");
    const QString rejected = sendFailure(local(server.port()), m);
    EXPECT_TRUE(rejected.startsWith(
        QStringLiteral("Le serveur de messagerie a refusé le destinataire « inconnu@example.org »")))
        << rejected.toStdString();
    EXPECT_TRUE(rejected.contains(QStringLiteral("550"))) << rejected.toStdString();
    EXPECT_EQ(server.received(), 0);

    // No recipient at all (a subject alone enables Ok).
    m.to.clear();
    EXPECT_EQ(sendFailure(local(server.port()), m), QStringLiteral("Indiquez au moins un destinataire."));

    // The server closes the connection in the middle of the message.
    SmtpPeer dropping(QStringLiteral("drop-in-data"));
    TestFolders::Scratch files;
    const QString path = files.path() + QStringLiteral("gros.bin");
    TestFolders::writeFile(path, randomBytes(2 * 1024 * 1024));
    m = basicMessage();
    m.attachments = {path};
    EXPECT_TRUE(sendFailure(local(dropping.port()), m).contains(QStringLiteral("a été interrompue")));

    // A host name that cannot be one.
    SmtpServer odd = local(25);
    odd.host = QStringLiteral("smtp.example.org\r\nRCPT TO:<x@y>");
    EXPECT_TRUE(sendFailure(odd, basicMessage()).startsWith(QStringLiteral("Le nom du serveur SMTP")));
    // Host not found is told in words of its own (no lookup made here).
    EXPECT_TRUE(SmtpClient::failureText(6 /* CURLE_COULDNT_RESOLVE_HOST */, odd, {}, {}, {}, 0)
                    .contains(QStringLiteral("est introuvable")));
}

TEST(SmtpExchange, ServerThatNeverAnswersIsLeftAfterTheBoundedWaitWhichTheMessageStates)
{
    SmtpPeer peer(QStringLiteral("silent"));
    ASSERT_GT(peer.port(), 0);
    // The greeting is awaited under both limits, whichever is shorter: the
    // message says the seconds really waited, not the larger setting.
    for (const auto& [connectLimit, replyLimit] : {std::pair{4, 2}, std::pair{2, 5}}) {
        SmtpServer server = local(peer.port());
        server.connectTimeoutSeconds = connectLimit;
        server.replyTimeoutSeconds = replyLimit;
        int calls = 0;
        QElapsedTimer timer;
        timer.start();
        QString failure;
        try {
            SmtpClient::send(server, basicMessage(), [&](qint64) { ++calls; });
        } catch (const MailError& e) {
            failure = e.text();
        }
        const qint64 waited = (timer.elapsed() + 500) / 1000;
        EXPECT_TRUE(failure.contains(QStringLiteral("ne répond pas"))) << failure.toStdString();
        EXPECT_EQ(waited, 2);
        EXPECT_TRUE(failure.endsWith(QStringLiteral("après %1 secondes d'attente.").arg(waited)))
            << failure.toStdString();
        EXPECT_GT(calls, 10) << "the caller kept getting control while waiting";
    }
}

TEST(SmtpExchange, StartTlsAndLoginWhenTheSettingsAskForThem)
{
    TestFolders::Scratch keys;
    const QString cert = keys.path() + QStringLiteral("cert.pem");
    const QString key = keys.path() + QStringLiteral("key.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                   QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    ASSERT_TRUE(openssl.waitForFinished(60000));
    ASSERT_EQ(openssl.exitCode(), 0);

    SmtpPeer peer(QStringLiteral("serve"), {QStringLiteral("--tls"), cert, key, QStringLiteral("--auth"),
                                            QStringLiteral("lea:s3cret")});
    ASSERT_GT(peer.port(), 0);
    SmtpServer server = local(peer.port());

    // The plain exchange is refused by this server.
    EXPECT_FALSE(sendFailure(server, basicMessage()).isEmpty());

    server.startTls = true;
    server.caFile = cert;
    server.authenticate = true;
    server.user = QStringLiteral("lea");
    server.password = QStringLiteral("faux");
    const QString refused = sendFailure(server, basicMessage());
    EXPECT_TRUE(refused.contains(QStringLiteral("mot de passe"))) << refused.toStdString();

    server.password = QStringLiteral("s3cret");
    EXPECT_EQ(sendFailure(server, basicMessage()), QString());
    ASSERT_EQ(peer.received(), 1);
    EXPECT_TRUE(peer.envelope(1)[QStringLiteral("tls")].toBool());
    EXPECT_TRUE(peer.envelope(1)[QStringLiteral("authenticated")].toBool());
}

} // namespace
