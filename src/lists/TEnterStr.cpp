#include "TEnterStr.h"

#include "FormWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TEnterStr::TEnterStr(QWidget* parent)
    : QDialog(parent), m_prompt(new QLabel(this)), m_text(new QLineEdit(this))
{
    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    m_ok = buttons.ok;
    setObjectName(QStringLiteral("EnterStr"));
    setWindowTitle(QStringLiteral("Saisie d'une chaine de caractère"));
    m_prompt->setObjectName(QStringLiteral("Lab_Title"));
    m_prompt->setBuddy(m_text);
    m_text->setObjectName(QStringLiteral("Ed_Str"));

    connect(m_text, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_ok->setEnabled(!t.isEmpty()); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_ok->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_text);
    layout->addLayout(buttons.row);
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
