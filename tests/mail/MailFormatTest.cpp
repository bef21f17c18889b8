// Header building: what the user types cannot break a header line, and the
// size texts and progress estimate of the attachments.
#include "MailAttachments.h"
#include "MailMessage.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

TEST(MailFormat, EncodedWordsStayShortAndWholeCharacters)
{
    const QString subject = QString(QStringLiteral("é")).repeated(100) + QStringLiteral("\r\nBcc: x@y");
    const QString encoded = MailFormat::encodeText(subject);
    const QStringList lines = encoded.split(QStringLiteral("\r\n"));
    EXPECT_GT(lines.size(), 3);
    for (int i = 0; i < lines.size(); ++i) {
        const QString word = i == 0 ? lines[i] : lines[i].mid(1);
        if (i > 0) {
            EXPECT_TRUE(lines[i].startsWith(QLatin1Char(' '))) << "each further line is a fold";
        }
        EXPECT_LE(word.size(), 75);
        EXPECT_TRUE(word.startsWith(QLatin1String("=?utf-8?B?")) && word.endsWith(QLatin1String("?=")));
        const QByteArray bytes = QByteArray::fromBase64(word.mid(10, word.size() - 12).toLatin1());
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << "no character is cut in two";
    }
    EXPECT_EQ(MailFormat::encodeText(QStringLiteral("Ordonnance du 3/2")),
              QStringLiteral("Ordonnance du 3/2"));
    EXPECT_NE(MailFormat::encodeText(QStringLiteral("=?utf-8?B?eA==?=")), QStringLiteral("=?utf-8?B?eA==?="))
        << "text that looks encoded is encoded, so it reads back as typed";
}

TEST(MailFormat, AddressListsAndTheSenderName)
{
    const QList<MailAddress> list = MailFormat::parseAddressList(
        QStringLiteral(" a@example.org ,\"Dr B\" <b@example.org>; ; C <c@sub.example.org>"));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[1].name, QStringLiteral("Dr B"));
    EXPECT_EQ(list[1].address, QStringLiteral("b@example.org"));
    EXPECT_EQ(list[2].address, QStringLiteral("c@sub.example.org"));
    EXPECT_TRUE(MailFormat::parseAddressList(QStringLiteral(" , ")).isEmpty());
    for (const char* bad :
         {"a@b@c", "@example.org", "a@", "a b@example.org", "a@exa mple.org", "a@.example.org",
          "a@example..org", "a@example.org\n", "<a@example.org", "é@example.org"})
        EXPECT_FALSE(MailFormat::isValidAddress(QString::fromUtf8(bad))) << bad;

    EXPECT_EQ(MailFormat::senderDisplayName(QStringLiteral("jean@maison")), QStringLiteral("jean_maison"));
    EXPECT_EQ(MailFormat::mailbox(QStringLiteral("Jean \"JD\" Dupont"), QStringLiteral("j@example.org")),
              QStringLiteral("\"Jean \\\"JD\\\" Dupont\" <j@example.org>"));
    EXPECT_EQ(MailFormat::mailbox(QString(), QStringLiteral("j@example.org")),
              QStringLiteral("<j@example.org>"));

    MailMessage m;
    m.senderName = QStringLiteral("A");
    m.senderEmail = QStringLiteral("a@example.org");
    m.bcc = QStringLiteral("cache@example.org");
    const QStringList headers = MailFormat::headerLines(m, QDateTime(QDate(2024, 3, 1), QTime(9, 30)));
    EXPECT_TRUE(headers.contains(QStringLiteral("To: undisclosed-recipients:;")));
    EXPECT_FALSE(headers.join(QLatin1Char('\n')).contains(QStringLiteral("cache@")));
    EXPECT_EQ(MailFormat::envelopeRecipients(m), QStringList{QStringLiteral("cache@example.org")});
    for (const QString& line : headers)
        EXPECT_FALSE(line.contains(QRegularExpression(QStringLiteral("\\r\\n(?! )")))) << line.toStdString();
}

TEST(MailFormat, LongAndForeignFileNamesUseContinuations)
{
    const QString name = QString(QStringLiteral("Échographie ")).repeated(20) + QStringLiteral(".pdf");
    const QString disposition = MailFormat::attachmentDisposition(QStringLiteral("/tmp/") + name);
    EXPECT_TRUE(disposition.contains(QStringLiteral("filename*0*=utf-8''%C3%89chographie%20")));
    EXPECT_TRUE(disposition.contains(QStringLiteral("filename*1*=")));
    for (const QString& line : disposition.split(QStringLiteral("\r\n")))
        EXPECT_LE(line.size(), 78);
    EXPECT_EQ(MailFormat::attachmentDisposition(QStringLiteral("/x/a \"b\".jpg")),
              QStringLiteral("Content-Disposition: attachment;\r\n filename=\"a \\\"b\\\".jpg\""));
    EXPECT_TRUE(MailFormat::attachmentContentType(QStringLiteral("/x/été.jpg"))
                    .startsWith(QStringLiteral("image/jpeg;\r\n name=\"=?utf-8?B?")));
}

TEST(MailAttachments, SizeTextsAndProgressEstimate)
{
    EXPECT_EQ(MailAttachments::kiloText(2500), QStringLiteral("2 Ko")) << "a half goes to the even neighbour";
    EXPECT_EQ(MailAttachments::kiloText(3500), QStringLiteral("4 Ko"));
    EXPECT_EQ(MailAttachments::kiloText(3501), QStringLiteral("4 Ko"));
    EXPECT_EQ(MailAttachments::kiloText(499), QStringLiteral("0 Ko"));
    EXPECT_EQ(MailAttachments::progressEstimate({QStringLiteral("12 Ko"), QStringLiteral("1,5 Ko")}), 18000);
    EXPECT_EQ(MailAttachments::progressEstimate({QStringLiteral("beaucoup Ko"), QString()}), 0);
    EXPECT_TRUE(MailAttachments::missingFileText(QStringLiteral("/d/Images/Doc7.jpg"))
                    .startsWith(QStringLiteral(
                        "IMPOSSIBLE D'ENVOYER CE FICHIER !\r\rLe fichier \"/d/Images/Doc7.jpg\"")));
}

TEST(MailAttachments, CopiesGoToAPrivateFolderUnderBareNames)
{
    const QString folder = MailAttachments::folder();
    EXPECT_EQ(QFileInfo(folder.chopped(1)).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup),
              QFileDevice::Permissions());
    const QString target = MailAttachments::prepareTarget(QStringLiteral("../../etc/passwd"));
    EXPECT_EQ(target, folder + QStringLiteral("passwd"));
    EXPECT_EQ(MailAttachments::prepareTarget(QStringLiteral("..")), folder + QStringLiteral("piece-jointe"));
}

} // namespace
