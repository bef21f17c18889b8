#include "MailMessage.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUuid>

namespace MailFormat {
namespace {

// Encoded words stay within 75 characters: 45 bytes give 60 base64 characters.
constexpr int kWordBytes = 45;
// Printable ASCII longer than this is encoded too, so no header line nears
// the 998-character limit.
constexpr int kPlainLimit = 200;
// RFC 2231 continuation pieces.
constexpr int kPieceLength = 60;

bool isPrintableAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

// Line breaks and other control characters typed or pasted into a field
// become blanks: a header can then never be split into two.
QString singleLine(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool inBreak = false;
    for (const QChar c : text) {
        const bool isBreak = c == QLatin1Char('\r') || c == QLatin1Char('\n');
        if (isBreak) {
            if (!inBreak)
                out += QLatin1Char(' ');
            inBreak = true;
            continue;
        }
        inBreak = false;
        out += (c.unicode() < 0x20 || c.unicode() == 0x7f) ? QChar(QLatin1Char(' ')) : c;
    }
    return out;
}

// UTF-8 of the text cut into pieces of at most `limit` bytes, never inside a character.
QList<QByteArray> utf8Pieces(const QString& text, int limit)
{
    const QByteArray bytes = text.toUtf8();
    QList<QByteArray> pieces;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = qMin(start + limit, bytes.size());
        // Back off continuation bytes (10xxxxxx) so a character stays whole.
        while (end < bytes.size() && end > start && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
            --end;
        pieces << bytes.mid(start, end - start);
        start = end;
    }
    return pieces;
}

QStringList encodedWords(const QString& text)
{
    QStringList words;
    for (const QByteArray& piece : utf8Pieces(text, kWordBytes))
        words << QStringLiteral("=?utf-8?B?") + QString::fromLatin1(piece.toBase64()) + QStringLiteral("?=");
    return words;
}

QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool isAttributeChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$&+-.^_`|~").contains(c);
}

// "utf-8''" followed by the percent-encoded name, cut into continuation
// pieces that never split a "%XX" triplet.
QStringList rfc2231Pieces(const QString& value)
{
    QString encoded = QStringLiteral("utf-8''");
    for (const char c : value.toUtf8()) {
        if (isAttributeChar(c))
            encoded += QLatin1Char(c);
        else
            encoded +=
                QStringLiteral("%%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    QStringList pieces;
    qsizetype start = 0;
    while (start < encoded.size()) {
        qsizetype end = qMin(start + kPieceLength, encoded.size());
        if (end < encoded.size()) {
            if (encoded.at(end - 1) == QLatin1Char('%'))
                end -= 1;
            else if (end >= 2 && encoded.at(end - 2) == QLatin1Char('%'))
                end -= 2;
        }
        pieces << encoded.mid(start, end - start);
        start = end;
    }
    return pieces;
}

// `attribute="value"` for plain names, else its RFC 2231 form, one
// parameter per folded line.
QString parameter(const QString& attribute, const QString& value)
{
    if (isPrintableAscii(value) && value.size() <= kPieceLength)
        return attribute + QLatin1Char('=') + quoted(value);
    const QStringList pieces = rfc2231Pieces(value);
    if (pieces.size() == 1)
        return attribute + QStringLiteral("*=") + pieces.first();
    QStringList parts;
    for (int i = 0; i < pieces.size(); ++i)
        parts << QStringLiteral("%1*%2*=%3").arg(attribute).arg(i).arg(pieces.at(i));
    return parts.join(QStringLiteral(";\r\n "));
}

QString bareName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QStringLiteral("piece-jointe") : name;
}

QString domainOf(const QString& address)
{
    return address.mid(address.lastIndexOf(QLatin1Char('@')) + 1);
}

} // namespace

bool isValidAddress(const QString& address)
{
    if (address.isEmpty() || address.size() > 254)
        return false;
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    if (at <= 0 || at == address.size() - 1)
        return false;
    static const QString forbidden = QStringLiteral("<>()[]\\,;:\"@");
    for (qsizetype i = 0; i < at; ++i) {
        const QChar c = address.at(i);
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || forbidden.contains(c))
            return false;
    }
    const QString domain = address.mid(at + 1);
    if (domain.startsWith(QLatin1Char('.')) || domain.endsWith(QLatin1Char('.')) ||
        domain.contains(QLatin1String("..")))
        return false;
    for (const QChar c : domain)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('-') && c != QLatin1Char('.'))
            return false;
    return true;
}

void checkAddress(const QString& address)
{
    if (!isValidAddress(address))
        throw MailError(QStringLiteral("L'adresse « %1 » n'est pas une adresse email valide.")
                            .arg(singleLine(address).trimmed()));
}

QList<MailAddress> parseAddressList(const QString& text)
{
    QList<MailAddress> list;
    static const QRegularExpression separators(QStringLiteral("[,;]"));
    for (const QString& raw : text.split(separators)) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        MailAddress a;
        const qsizetype open = entry.lastIndexOf(QLatin1Char('<'));
        if (open >= 0 && entry.endsWith(QLatin1Char('>'))) {
            a.address = entry.mid(open + 1, entry.size() - open - 2).trimmed();
            a.name = entry.left(open).trimmed();
            if (a.name.size() >= 2 && a.name.startsWith(QLatin1Char('"')) &&
                a.name.endsWith(QLatin1Char('"')))
                a.name = a.name.mid(1, a.name.size() - 2);
        } else {
            a.address = entry;
        }
        checkAddress(a.address);
        list << a;
    }
    return list;
}

QString encodeText(const QString& text)
{
    const QString line = singleLine(text);
    // A plain text holding "=?" would be read back as an encoded word.
    if (isPrintableAscii(line) && line.size() <= kPlainLimit && !line.contains(QLatin1String("=?")))
        return line;
    return encodedWords(line).join(QStringLiteral("\r\n "));
}

QString senderDisplayName(const QString& name)
{
    return QString(name).replace(QLatin1Char('@'), QLatin1Char('_'));
}

QString mailbox(const QString& name, const QString& address)
{
    const QString display = singleLine(name).trimmed();
    if (display.isEmpty())
        return QLatin1Char('<') + address + QLatin1Char('>');
    const QString shown =
        isPrintableAscii(display) && display.size() <= kPlainLimit && !display.contains(QLatin1String("=?"))
            ? quoted(display)
            : encodedWords(display).join(QStringLiteral("\r\n "));
    return shown + QStringLiteral(" <") + address + QLatin1Char('>');
}

QStringList headerLines(const MailMessage& message, const QDateTime& now)
{
    checkAddress(message.senderEmail);
    const QList<MailAddress> to = parseAddressList(message.to);

    QStringList toBoxes;
    for (const MailAddress& a : to)
        toBoxes << mailbox(a.name, a.address);

    QStringList lines;
    lines << QStringLiteral("Date: ") + now.toString(Qt::RFC2822Date);
    lines << QStringLiteral("From: ") + mailbox(senderDisplayName(message.senderName), message.senderEmail);
    lines << QStringLiteral("Reply-To: ") + message.senderEmail;
    // Blind copies alone still give a valid message.
    lines << QStringLiteral("To: ") + (toBoxes.isEmpty() ? QStringLiteral("undisclosed-recipients:;")
                                                         : toBoxes.join(QStringLiteral(",\r\n ")));
    lines << QStringLiteral("Subject: ") + encodeText(message.subject);
    lines << QStringLiteral("Message-ID: <%1@%2>")
                 .arg(QUuid::createUuid().toString(QUuid::WithoutBraces), domainOf(message.senderEmail));
    if (message.highPriority)
        lines << QStringLiteral("X-Priority: 1 (Highest)") << QStringLiteral("Importance: high");
    else
        lines << QStringLiteral("X-Priority: 3 (Normal)") << QStringLiteral("Importance: normal");
    if (message.readReceipt)
        lines << QStringLiteral("Disposition-Notification-To: ") + message.senderEmail;
    return lines;
}

QStringList envelopeRecipients(const MailMessage& message)
{
    QStringList recipients;
    for (const QString& list : {message.to, message.bcc})
        for (const MailAddress& a : parseAddressList(list))
            recipients << a.address;
    return recipients;
}

QString attachmentContentType(const QString& fileName)
{
    const QString name = bareName(fileName);
    QString type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
    if (type.isEmpty())
        type = QStringLiteral("application/octet-stream");
    // Many readers only look at the RFC 2047 form of the name.
    const QString words = encodedWords(singleLine(name)).join(QLatin1Char(' '));
    if (!isPrintableAscii(name) && words.size() <= kPlainLimit * 2)
        return type + QStringLiteral(";\r\n name=\"") + words + QLatin1Char('"');
    return type + QStringLiteral(";\r\n ") + parameter(QStringLiteral("name"), name);
}

QString attachmentDisposition(const QString& fileName)
{
    return QStringLiteral("Content-Disposition: attachment;\r\n ") +
           parameter(QStringLiteral("filename"), bareName(fileName));
}

QByteArray bodyBytes(const QString& body)
{
    QString text = body;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text.toUtf8();
}

} // namespace MailFormat
