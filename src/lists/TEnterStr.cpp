#include "TEnterStr.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TEnterStr::TEnterStr(QWidget* parent)
    : QDialog(parent), m_prompt(new QLabel(this)), m_text(new QLineEdit(this)),
      m_ok(new QPushButton(QStringLiteral(" &Ok"), this))
{
    setObjectName(QStringLiteral("EnterStr"));
    setWindowTitle(QStringLiteral("Saisie d'une chaine de caractère"));
    m_prompt->setObjectName(QStringLiteral("Lab_Title"));
    m_prompt->setBuddy(m_text);
    m_text->setObjectName(QStringLiteral("Ed_Str"));
    m_ok->setObjectName(QStringLiteral("Btn_Ok"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral(" &Annuler"), this);
    cancel->setObjectName(QStringLiteral("Btn_Cancel"));

    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& t) { m_ok->setEnabled(!t.isEmpty()); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_ok->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

std::optional<QString> TEnterStr::ask(const QString& prompt, const QString& initial, QWidget* parent)
{
    TEnterStr window(parent);
    window.m_prompt->setText(prompt);
    window.m_text->setText(initial);
    window.m_text->selectAll();
    window.m_ok->setEnabled(!initial.isEmpty());
    if (window.exec() != QDialog::Accepted || window.m_text->text().isEmpty())
        return std::nullopt;
    return window.m_text->text();
}
