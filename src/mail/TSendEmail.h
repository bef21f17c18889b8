#pragma once

#include "SmtpClient.h"

#include <QDialog>
#include <QIcon>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// "Envoyer un email": one message with the documents the caller attached,
// sent straight to the configured server. A failed send shows why and keeps
// everything typed; a sent message is confirmed and closes the dialog.
class TSendEmail : public QDialog
{
    Q_OBJECT
public:
    // The sender as the [SMTP] settings give it.
    TSendEmail(const SmtpServer& server, const QString& senderName, const QString& senderEmail,
               QWidget* parent = nullptr);

    // One row of the attachment list: the file to send (its own name is the
    // part's), its type text, its size text ("12 Ko") and its 32 × 32 icon.
    void addAttachment(const QString& path, const QString& type, const QString& sizeText, const QIcon& icon);

    // The message the dialog would send now.
    MailMessage message() const;
    QPushButton* okButton() const { return m_ok; }

public slots:
    void Btn_OkClick();
    void Btn_CancelClick() { reject(); }
    // Ignored while a message is going out: the send ends by itself within
    // the bounded wait.
    void reject() override;

private:
    void updateOk();

    SmtpServer m_server;
    QString m_senderName;
    QString m_senderEmail;
    QStringList m_sizeTexts;
    bool m_sending = false;

    QLineEdit* m_to;
    QLineEdit* m_cc;
    QLineEdit* m_subject;
    QListWidget* m_attachments;
    QPlainTextEdit* m_body;
    QCheckBox* m_priority;
    QCheckBox* m_confirm;
    QPushButton* m_ok;
};
