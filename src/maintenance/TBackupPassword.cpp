#include "TBackupPassword.h"

#include "FileUtils.h"
#include "FormWidgets.h"
#include "PasswordStrength.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* passwordField(const QString& name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    return field;
}

} // namespace

TBackupPassword::TBackupPassword(Mode mode, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_password(passwordField(QStringLiteral("Ed_Password"), this))
{
    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    m_ok = buttons.ok;
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    if (mode == Mode::Choose) {
        setObjectName(QStringLiteral("BackupPassword"));
        setWindowTitle(QStringLiteral("Chiffrement de la sauvegarde"));
        m_encrypt = new QCheckBox(QStringLiteral("Chiffrer la sauvegarde avec un mot de passe"), this);
        m_encrypt->setObjectName(QStringLiteral("Chk_Encrypt"));
        m_confirm = passwordField(QStringLiteral("Ed_Confirm"), this);
        m_strength = new QLabel(this);
        m_strength->setObjectName(QStringLiteral("Lab_Strength"));
        auto* warning = new QLabel(
            QStringLiteral("Sans ce mot de passe, la sauvegarde ne pourra pas être restaurée."), this);
        warning->setObjectName(QStringLiteral("Lab_Warning"));
        warning->setWordWrap(true);
        layout->addWidget(m_encrypt);
        fields->addRow(FormWidgets::caption(QStringLiteral("&Mot de passe :"), m_password, this), m_password);
        fields->addRow(FormWidgets::caption(QStringLiteral("&Confirmation :"), m_confirm, this), m_confirm);
        fields->addRow(QString(), m_strength);
        layout->addLayout(fields);
        layout->addWidget(warning);
        connect(m_encrypt, &QCheckBox::toggled, this, [this](bool encrypt) {
            updateStates();
            if (encrypt)
                m_password->setFocus();
        });
        connect(m_confirm, &QLineEdit::textChanged, this, &TBackupPassword::updateStates);
    } else {
        setObjectName(QStringLiteral("EnterBackupPassword"));
        setWindowTitle(QStringLiteral("Sauvegarde chiffrée"));
        m_archive = new QLabel(this);
        m_archive->setObjectName(QStringLiteral("Lab_Archive"));
        m_archive->setWordWrap(true);
        layout->addWidget(m_archive);
        fields->addRow(FormWidgets::caption(QStringLiteral("&Mot de passe :"), m_password, this), m_password);
        layout->addLayout(fields);
    }
    layout->addLayout(buttons.row);
    connect(m_password, &QLineEdit::textChanged, this, &TBackupPassword::updateStates);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
    updateStates();
}

void TBackupPassword::updateStates()
{
    if (m_mode == Mode::Ask) {
        m_ok->setEnabled(!m_password->text().isEmpty());
        return;
    }
    const bool encrypt = m_encrypt->isChecked();
    m_password->setEnabled(encrypt);
    m_confirm->setEnabled(encrypt);
    const QString typed = m_password->text();
    QString hint = PasswordStrength::text(PasswordStrength::of(typed));
    if (!m_confirm->text().isEmpty() && m_confirm->text() != typed)
        hint = QStringLiteral("Les deux mots de passe diffèrent.");
    m_strength->setText(encrypt ? hint : QString());
    m_ok->setEnabled(!encrypt || (!typed.isEmpty() && m_confirm->text() == typed));
}

Secret TBackupPassword::takePassword()
{
    QString typed = m_password->text();
    m_password->clear();
    if (m_confirm)
        m_confirm->clear();
    return Secret::takeText(typed);
}

std::optional<TBackupPassword::Choice> TBackupPassword::choose(QWidget* parent)
{
    TBackupPassword window(Mode::Choose, parent);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    Choice choice;
    if (window.m_encrypt->isChecked())
        choice.password = window.takePassword();
    return choice;
}

std::optional<Secret> TBackupPassword::ask(const QString& archive, QWidget* parent)
{
    TBackupPassword window(Mode::Ask, parent);
    window.m_archive->setText(QStringLiteral("La sauvegarde \"%1\" est chiffrée. Tapez son mot de passe.")
                                  .arg(FileUtils::shownPath(archive)));
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    return window.takePassword();
}
