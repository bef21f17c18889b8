// The send dialog as a user meets it: Ok's rule, a failed send that keeps
// everything typed, a sent message, and the document commands' preparation.
#include "MailAttachments.h"
#include "MailCommands.h"
#include "Messages.h"
#include "NextModal.h"
#include "Settings.h"
#include "SmtpPeer.h"
#include "TSendEmail.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

template <typename T> T* child(const QWidget& w, const char* name)
{
    T* found = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(SendEmailDialog, OkNeedsARecipientOrASubject)
{
    TSendEmail dialog(local(25), QStringLiteral("A"), QStringLiteral("a@example.org"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Envoyer un email"));
    QPushButton* ok = child<QPushButton>(dialog, "Btn_Ok");
    EXPECT_FALSE(ok->isEnabled());
    child<QLineEdit>(dialog, "Ed_CC")->setText(QStringLiteral("b@example.org"));
    EXPECT_FALSE(ok->isEnabled()) << "a blind copy alone does not enable Ok";
    child<QLineEdit>(dialog, "Ed_Subject")->setText(QStringLiteral("Sujet"));
    EXPECT_TRUE(ok->isEnabled());
    child<QLineEdit>(dialog, "Ed_Subject")->clear();
    child<QLineEdit>(dialog, "Ed_To")->setText(QStringLiteral("b@example.org"));
    EXPECT_TRUE(ok->isEnabled());
    for (const char* name : {"Ed_To", "Ed_CC", "Ed_Subject", "Grid_AttachmentsList", "Memo_Body"})
        EXPECT_FALSE(child<QWidget>(dialog, name)->accessibleName().isEmpty()) << name;
    EXPECT_EQ(child<QCheckBox>(dialog, "Check_Priority")->text(), QStringLiteral("Priotité haute"));
}

TEST(SendEmailDialog, FailedSendKeepsEverythingThenASendCloses)
{
    TestFolders::Scratch files;
    const QString picture = files.path() + QStringLiteral("Ordonnance.jpg");
    TestFolders::writeFile(picture, QByteArray(150'000, 'x'));

    SmtpPeer peer(QStringLiteral("serve"));
    ASSERT_GT(peer.port(), 0);
    SmtpPeer mute(QStringLiteral("silent"));
    SmtpServer silent = local(mute.port());
    silent.replyTimeoutSeconds = 1;

    // A server that never answers: the send gives up, the dialog stays as typed.
    auto dialog =
        std::make_unique<TSendEmail>(silent, QStringLiteral("Léa"), QStringLiteral("lea@example.org"));
    dialog->addAttachment(picture, QStringLiteral("Image JPEG"), MailAttachments::kiloText(150'000), QIcon());
    QListWidget* list = child<QListWidget>(*dialog, "Grid_AttachmentsList");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Ordonnance.jpg"));
    EXPECT_EQ(list->item(0)->data(Qt::AccessibleTextRole).toString(),
              QStringLiteral("Ordonnance.jpg, Image JPEG - 150 Ko"));
    child<QLineEdit>(*dialog, "Ed_To")->setText(QStringLiteral("medecin@example.org"));
    child<QLineEdit>(*dialog, "Ed_Subject")->setText(QStringLiteral("Ordonnance"));
    child<QPlainTextEdit>(*dialog, "Memo_Body")->setPlainText(QStringLiteral("Bonjour"));
    dialog->show();
    {
        Messages::Recorder messages;
        bool progressSeen = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, dialog.get(), [&] {
            if (QWidget* wait = dialog->findChild<QWidget*>(QStringLiteral("SendProgress")))
                progressSeen = progressSeen || wait->isVisible();
            EXPECT_FALSE(dialog->isEnabled()) << "no second send while one is under way";
            dialog->close(); // the frame's close button waits for the send to end
        });
        probe.start(100);
        child<QPushButton>(*dialog, "Btn_Ok")->click();
        ASSERT_EQ(messages.messages().size(), 1);
        EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("ne répond pas")));
        EXPECT_TRUE(progressSeen) << "the progress window shows while the send is under way";
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_EQ(child<QLineEdit>(*dialog, "Ed_To")->text(), QStringLiteral("medecin@example.org"));
    EXPECT_EQ(child<QLineEdit>(*dialog, "Ed_Subject")->text(), QStringLiteral("Ordonnance"));
    EXPECT_EQ(child<QPlainTextEdit>(*dialog, "Memo_Body")->toPlainText(), QStringLiteral("Bonjour"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The same dialog against a real server: sent, confirmed, closed.
    dialog = std::make_unique<TSendEmail>(local(peer.port()), QStringLiteral("Léa"),
                                          QStringLiteral("lea@example.org"));
    dialog->addAttachment(picture, QStringLiteral("Image JPEG"), QStringLiteral("150 Ko"), QIcon());
    child<QLineEdit>(*dialog, "Ed_To")->setText(QStringLiteral("medecin@example.org"));
    child<QLineEdit>(*dialog, "Ed_CC")->setText(QStringLiteral("copie@example.org"));
    child<QLineEdit>(*dialog, "Ed_Subject")->setText(QStringLiteral("Ordonnance"));
    child<QCheckBox>(*dialog, "Check_Priority")->setChecked(true);
    dialog->show();
    Messages::Recorder messages;
    child<QPushButton>(*dialog, "Btn_Ok")->click();
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages().first().text, QStringLiteral("Le message a bien été expédié."));
    EXPECT_EQ(messages.messages().first().icon, Messages::Icon::Information);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(peer.received(), 1);
    EXPECT_EQ(peer.envelope(1)[QStringLiteral("to")].toArray().size(), 2);
    EXPECT_FALSE(peer.rawMessage(1).contains(QStringLiteral("copie@example.org")));
    EXPECT_TRUE(peer.rawMessage(1).contains(QStringLiteral("X-Priority: 1")));
}

TEST(SendEmailDialog, DocumentCommandsPrepareTheirCopyOrSayTheFileIsGone)
{
    Settings settings;
    EXPECT_FALSE(MailCommands::available(settings));
    settings.smtpName = QStringLiteral("Léa");
    settings.smtpEmail = QStringLiteral("lea@example.org");
    EXPECT_FALSE(MailCommands::available(settings));
    settings.smtpHost = QStringLiteral("127.0.0.1");
    EXPECT_TRUE(MailCommands::available(settings));

    Messages::Recorder messages;
    MailCommands::sendImageDocument(nullptr, settings, QStringLiteral("/nulle/part/Images/Doc7.jpg"),
                                    QStringLiteral("Radio"));
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages().first().icon, Messages::Icon::Error);
    EXPECT_TRUE(messages.texts().first().startsWith(QStringLiteral("IMPOSSIBLE D'ENVOYER CE FICHIER !")));

    // The dialog opens on the copy: close it at once and look at what it held.
    TestFolders::Scratch files;
    const QString stored = files.path() + QStringLiteral("Doc7.jpg");
    TestFolders::writeFile(stored, QByteArray(2500, 'j'));
    QString attached;
    QString detail;
    NextModal::answer<TSendEmail>([&](TSendEmail* dialog) {
        attached = dialog->message().attachments.value(0);
        const QListWidgetItem* item = child<QListWidget>(*dialog, "Grid_AttachmentsList")->item(0);
        detail = item->data(Qt::AccessibleTextRole).toString();
        dialog->reject();
    });
    MailCommands::sendImageDocument(nullptr, settings, stored, QStringLiteral("Radio du 3_2"));
    EXPECT_EQ(attached, MailAttachments::folder() + QStringLiteral("Radio du 3_2.jpg"));
    EXPECT_EQ(TestFolders::readFile(attached), QByteArray(2500, 'j'));
    EXPECT_EQ(detail, QStringLiteral("Radio du 3_2.jpg, Image JPEG - 2 Ko"));
}

} // namespace
