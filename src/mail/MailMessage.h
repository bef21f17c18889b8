#pragma once

#include "Errors.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// Raised when a message cannot be built or sent; the text is the French one shown.
class MailError : public AppError
{
public:
    using AppError::AppError;
};

// One address of a list: the bare address and the name typed before it, if any.
struct MailAddress
{
    QString name;
    QString address;
};

// What the send dialog hands over: everything but the server.
struct MailMessage
{
    QString senderName;
    QString senderEmail;
    QString to;  // as typed: addresses separated by commas (or semicolons)
    QString bcc; // the same; never written into the headers
    QString subject;
    QString body;
    bool highPriority = false;
    bool readReceipt = false;
    QStringList attachments; // full paths; each part takes the file's own name
};

// The header lines and envelope of a message. Nothing typed by the user can
// reach a header line unencoded: line breaks in texts become blanks, texts
// that are not plain ASCII are encoded words (RFC 2047), file names are RFC
// 2231 parameters, and addresses are checked before use.
namespace MailFormat {

// Splits a typed list; blank entries are skipped. Throws MailError naming
// the first entry that is not a usable address.
QList<MailAddress> parseAddressList(const QString& text);
// Throws MailError unless the text is one bare address (local@domain).
void checkAddress(const QString& address);
bool isValidAddress(const QString& address);

// "=?utf-8?B?...?=" words of at most 75 characters each, joined by a folding
// line break, or the text itself when it is short printable ASCII.
QString encodeText(const QString& text);
// A display name and its address: "Name <a@b>" with the name quoted or encoded.
QString mailbox(const QString& name, const QString& address);
// The sender's display name as the message carries it: at signs become "_".
QString senderDisplayName(const QString& name);

// The top-level header lines, without MIME-Version and Content-Type (the
// transport adds those with the boundary). `now` dates the message.
QStringList headerLines(const MailMessage& message, const QDateTime& now);
// Every envelope recipient: the "To" list, then the blind copies.
QStringList envelopeRecipients(const MailMessage& message);

// The attachment part's Content-Type value (with an encoded `name`) and its
// Content-Disposition header line (RFC 2231 `filename*`, in continuations
// when long).
QString attachmentContentType(const QString& fileName);
QString attachmentDisposition(const QString& fileName);

// The body as the message carries it: UTF-8 with CR LF line ends.
QByteArray bodyBytes(const QString& body);

} // namespace MailFormat
