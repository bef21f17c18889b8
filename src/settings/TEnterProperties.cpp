#include "TEnterProperties.h"

#include "CommandGuard.h"
#include "Errors.h"
#include "FieldShortcuts.h"
#include "FormWidgets.h"
#include "MailMessage.h"
#include "NumberEdit.h"
#include "Scanner.h"
#include "TStrList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kMinWidth = 500;
constexpr int kMaxWidth = 5000;
constexpr int kMinQuality = 10;
constexpr int kMaxQuality = 100;
constexpr int kMaxPort = 5000;

// One captioned row of a group's grid.
void addRow(QGridLayout* grid, QWidget* owner, const QString& caption, QWidget* field,
            QWidget* button = nullptr)
{
    const int r = grid->rowCount();
    grid->addWidget(FormWidgets::caption(caption, field, owner), r, 0);
    grid->addWidget(field, r, 1);
    if (button)
        grid->addWidget(button, r, 2);
}

QLineEdit* textField(QWidget* owner, const char* name)
{
    auto* edit = new QLineEdit(owner);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(Settings::kMaxSmtpText);
    return edit;
}

} // namespace

TEnterProperties::TEnterProperties(const Settings& settings, Writer write, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_write(std::move(write)), m_pages(new QTabWidget(this)),
      m_twainSource(new QLineEdit(this)), m_showTwainUI(new QCheckBox(this)),
      m_maxWidth(new NumberEdit(kMaxWidth, 4, this)), m_jpegQuality(new NumberEdit(kMaxQuality, 3, this)),
      m_name(textField(this, "Ed_SMTP_Name")), m_email(textField(this, "Ed_SMTP_Email")),
      m_host(textField(this, "Ed_SMTP_Host")), m_port(new NumberEdit(kMaxPort, 6, this)),
      m_startTls(new QCheckBox(QStringLiteral("Connexion chiffrée (STARTTLS)"), this)),
      m_auth(new QCheckBox(QStringLiteral("Authentification"), this)),
      m_user(textField(this, "Ed_SMTP_User")), m_password(textField(this, "Ed_SMTP_Password"))
{
    setObjectName(QStringLiteral("EnterProperties"));
    setWindowTitle(QStringLiteral("Propriétés"));
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_twainSource->setObjectName(QStringLiteral("Ed_TwainSource"));
    m_twainSource->setReadOnly(true);
    m_showTwainUI->setObjectName(QStringLiteral("Check_ShowTwainUI"));
    m_maxWidth->setObjectName(QStringLiteral("Ed_ScanMaxWidth"));
    m_jpegQuality->setObjectName(QStringLiteral("Ed_ScanJpegQuality"));
    m_port->setObjectName(QStringLiteral("Ed_SMTP_Port"));
    m_startTls->setObjectName(QStringLiteral("Check_SMTP_StartTLS"));
    m_auth->setObjectName(QStringLiteral("Check_SMTP_Auth"));
    m_password->setEchoMode(QLineEdit::Password);

    // "Général": the scanner.
    auto* general = new QWidget(m_pages);
    general->setObjectName(QStringLiteral("Tab_General"));
    auto* scanner = new QGroupBox(QStringLiteral(" Paramètrage du scanner "), general);
    auto* scanGrid = new QGridLayout(scanner);
    scanGrid->setColumnStretch(1, 1);
    QPushButton* pick =
        FormWidgets::pickButton(this, QStringLiteral("Btn_TwainSource"), QStringLiteral("Choisir la source"));
    pick->setAutoDefault(false);
    addRow(scanGrid, this, QStringLiteral("Source TWAIN"), m_twainSource, pick);
    addRow(scanGrid, this, QStringLiteral("Afficher la fenêtre du pilote"), m_showTwainUI);
    addRow(scanGrid, this, QStringLiteral("Largeur maximale (pixel)"), m_maxWidth);
    addRow(scanGrid, this, QStringLiteral("Taux de compression Jpeg"), m_jpegQuality);
    (new QVBoxLayout(general))->addWidget(scanner);
    general->layout()->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    m_pages->addTab(general, QStringLiteral("Général"));

    // "Serveur SMTP": the sender and the server, then what some servers require.
    auto* smtp = new QWidget(m_pages);
    smtp->setObjectName(QStringLiteral("Tab_Smtp"));
    auto* mail = new QGroupBox(
        QStringLiteral(" Paramètres pour l'envoi de documents (images ou fichiers) par emails "), smtp);
    auto* mailGrid = new QGridLayout(mail);
    mailGrid->setColumnStretch(1, 1);
    addRow(mailGrid, this, QStringLiteral("Nom"), m_name);
    addRow(mailGrid, this, QStringLiteral("Email"), m_email);
    addRow(mailGrid, this, QStringLiteral("Serveur SMTP"), m_host);
    addRow(mailGrid, this, QStringLiteral("Port SMTP"), m_port);
    mailGrid->addWidget(m_startTls, mailGrid->rowCount(), 1);
    mailGrid->addWidget(m_auth, mailGrid->rowCount(), 1);
    addRow(mailGrid, this, QStringLiteral("Utilisateur"), m_user);
    addRow(mailGrid, this, QStringLiteral("Mot de passe"), m_password);
    (new QVBoxLayout(smtp))->addWidget(mail);
    smtp->layout()->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    m_pages->addTab(smtp, QStringLiteral("Serveur SMTP"));
    m_pages->setCurrentIndex(0);

    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    buttons.cancel->setAutoDefault(false);
    connectCommand(buttons.ok, &QPushButton::clicked, this, [this] { Btn_OkClick(); });
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    connectCommand(pick, &QPushButton::clicked, this, [this] { Btn_TwainSourceClick(); });
    FieldShortcuts::install(m_twainSource, guarded([this] { Btn_TwainSourceClick(); }));
    connect(m_auth, &QCheckBox::toggled, this, &TEnterProperties::updateLogin);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons.row);
    setMinimumWidth(480);

    m_twainSource->setText(settings.twainSource);
    m_showTwainUI->setChecked(settings.showTwainUI);
    m_maxWidth->setValue(settings.maxWidth);
    m_jpegQuality->setValue(settings.jpegQuality);
    m_name->setText(settings.smtpName);
    m_email->setText(settings.smtpEmail);
    m_host->setText(settings.smtpHost);
    m_port->setValue(settings.smtpPort);
    m_startTls->setChecked(settings.smtpStartTls);
    m_auth->setChecked(settings.smtpAuth);
    m_user->setText(settings.smtpUser);
    m_password->setText(settings.smtpPassword);
    updateLogin();
}

void TEnterProperties::updateLogin()
{
    m_user->setEnabled(m_auth->isChecked());
    m_password->setEnabled(m_auth->isChecked());
}

void TEnterProperties::Btn_TwainSourceClick()
{
    const QStringList sources = Scanner::listSources();
    // Without any scanner the field keeps its value.
    if (!sources.isEmpty())
        TStrList::open(m_twainSource, sources);
}

Settings TEnterProperties::edited()
{
    // Below the minimum is raised to it silently, as the fields allow it.
    if (m_maxWidth->value() < kMinWidth)
        m_maxWidth->setValue(kMinWidth);
    if (m_jpegQuality->value() < kMinQuality)
        m_jpegQuality->setValue(kMinQuality);

    const auto refuse = [this](QWidget* field, const QString& text) {
        m_pages->setCurrentWidget(m_pages->widget(1));
        field->setFocus();
        throw AppError(text);
    };
    const QString email = m_email->text().trimmed();
    if (!email.isEmpty() && !MailFormat::isValidAddress(email))
        refuse(m_email, QStringLiteral("L'adresse email « %1 » n'est pas valide.").arg(email));
    const QString host = m_host->text().trimmed();
    for (const QChar c : host)
        if (c.isSpace() || c.unicode() < 0x20 || c == QLatin1Char('/') || c == QLatin1Char('@'))
            refuse(m_host, QStringLiteral("Le nom du serveur SMTP « %1 » n'est pas valide.").arg(host));
    if (m_port->isEmpty())
        refuse(m_port,
               QStringLiteral("Indiquez le port du serveur SMTP, un nombre de 0 à %1.").arg(kMaxPort));
    if (m_auth->isChecked() && m_user->text().trimmed().isEmpty())
        refuse(m_user,
               QStringLiteral("Indiquez le nom d'utilisateur pour l'authentification auprès du serveur "
                              "SMTP."));

    Settings s = m_settings;
    s.twainSource = m_twainSource->text();
    s.showTwainUI = m_showTwainUI->isChecked();
    s.maxWidth = m_maxWidth->value();
    s.jpegQuality = m_jpegQuality->value();
    s.smtpName = m_name->text();
    s.smtpEmail = email;
    s.smtpHost = host;
    s.smtpPort = m_port->value();
    s.smtpStartTls = m_startTls->isChecked();
    s.smtpAuth = m_auth->isChecked();
    s.smtpUser = m_user->text();
    s.smtpPassword = m_password->text();
    return s;
}

void TEnterProperties::Btn_OkClick()
{
    const Settings s = edited();
    m_write(s);
    m_settings = s;
    accept();
}
