#include "TComboList.h"

#include "ComboItems.h"
#include "CommandGuard.h"
#include "FormWidgets.h"
#include "PickerRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TComboList::TComboList(const QString& title, Dataset& items, const QString& column, QWidget* parent)
    : QDialog(parent), m_items(items), m_column(column), m_editor(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("ComboList"));
    setWindowTitle(title.trimmed());
    auto* caption = new QLabel(QStringLiteral("Une entrée par ligne :"), this);
    caption->setBuddy(m_editor);
    m_editor->setObjectName(QStringLiteral("Memo_List"));
    m_editor->setAccessibleName(title.trimmed());
    m_editor->setStyleSheet(QStringLiteral("QPlainTextEdit { background: #fffff2; }"));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setPlainText(PickerRules::editorLines(ComboItems::read(items, column)).join(QLatin1Char('\n')));

    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    connectCommand(buttons.ok, &QPushButton::clicked, this, [this] { Btn_OkClick(); });
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_editor, 1);
    layout->addLayout(buttons.row);
    resize(320, 380);
}

void TComboList::Btn_OkClick()
{
    // Stored lines are separated by CR LF, as the lists always were.
    QString text = m_editor->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    ComboItems::store(m_items, m_column, text);
    accept();
}

void TComboList::edit(const QString& title, Dataset& items, const QString& column, QWidget* parent)
{
    TComboList window(title, items, column, parent);
    window.exec();
}
