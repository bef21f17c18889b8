#include "EntryDialog.h"

#include "CommandGuard.h"
#include "DataBinding.h"
#include "Dataset.h"
#include "Errors.h"
#include "FormWidgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

EntryDialog::EntryDialog(Dataset& row, const QString& objectName, const QString& title, QWidget* parent)
    : QDialog(parent), m_row(row), m_form(new QGridLayout), m_mainForm(m_form), m_body(new QVBoxLayout)
{
    setObjectName(objectName);
    setWindowTitle(title.trimmed());
    m_form->setColumnStretch(1, 1);
    m_body->addLayout(m_form);

    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    m_ok = buttons.ok;
    buttons.cancel->setAutoDefault(false);
    connectCommand(m_ok, &QPushButton::clicked, this, [this] { Btn_OkClick(); });
    connect(buttons.cancel, &QPushButton::clicked, this, &EntryDialog::Btn_CancelClick);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_body, 1);
    layout->addLayout(buttons.row);
    setMinimumWidth(420);

    for (auto signal : {&Dataset::stateChanged, &Dataset::currentChanged})
        connect(&m_row, signal, this, &EntryDialog::updateOk);
    connect(&m_row, &Dataset::fieldChanged, this, &EntryDialog::updateOk);
}

QGroupBox* EntryDialog::beginGroup(const QString& title, const QString& name, QBoxLayout* into)
{
    auto* group = new QGroupBox(title, this);
    group->setObjectName(name);
    m_form = new QGridLayout(group);
    m_form->setColumnStretch(1, 1);
    into->addWidget(group);
    return group;
}

void EntryDialog::endGroup()
{
    m_form = m_mainForm;
}

int EntryDialog::addFormRow(const QString& caption, QWidget* field)
{
    const int r = m_form->rowCount();
    auto* label = FormWidgets::caption(caption, field, this);
    const bool tall = qobject_cast<QPlainTextEdit*>(field) != nullptr;
    m_form->addWidget(label, r, 0, tall ? Qt::AlignTop : Qt::Alignment());
    m_form->addWidget(field, r, 1);
    return r;
}

QLineEdit* EntryDialog::addLineField(const QString& caption, const QString& name, const QString& field,
                                     bool readOnly)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    DataBinding::bind(edit, m_row, field);
    addFormRow(caption, edit);
    return edit;
}

QPlainTextEdit* EntryDialog::addMemoField(const QString& caption, const QString& name, const QString& field,
                                          int height)
{
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(name);
    memo->setTabChangesFocus(true);
    memo->setFixedHeight(height);
    DataBinding::bind(memo, m_row, field);
    addFormRow(caption, memo);
    return memo;
}

QPushButton* EntryDialog::addPickButton(QWidget* field, const QString& name, const QString& hint,
                                        std::function<void()> open)
{
    QPushButton* button = FormWidgets::pickButton(this, name, hint);
    button->setAutoDefault(false);
    connectCommand(button, &QPushButton::clicked, this, std::move(open));
    int row = m_form->rowCount();
    const int index = m_form->indexOf(field);
    if (index >= 0) {
        int column = 0, rowSpan = 0, columnSpan = 0;
        m_form->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    }
    m_form->addWidget(button, row, 2);
    return button;
}

void EntryDialog::setOkRule(std::function<bool()> rule)
{
    m_okRule = std::move(rule);
    updateOk();
}

void EntryDialog::updateOk()
{
    bool enabled = true;
    try {
        enabled = !m_okRule || m_okRule();
    } catch (const AppError&) {
        // A rule reading a field of a row that is no longer there enables nothing.
        enabled = false;
    }
    m_ok->setEnabled(enabled);
}

void EntryDialog::Btn_OkClick()
{
    if (!m_ok->isEnabled())
        return;
    // A refusal raises here: the dialog stays open with what was typed and
    // the row stays in edit.
    checkBeforePost();
    saveRow();
    accept();
}

void EntryDialog::saveRow()
{
    m_row.post();
}

void EntryDialog::reject()
{
    runGuarded([this] {
        if (m_row.isEditing())
            m_row.cancel();
    });
    QDialog::reject();
}
