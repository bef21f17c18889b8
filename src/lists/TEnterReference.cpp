#include "TEnterReference.h"

#include "CommandGuard.h"
#include "DataBinding.h"
#include "FieldShortcuts.h"
#include "FormWidgets.h"
#include "TComboList.h"
#include "TDataModule1.h"
#include "TStrList.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TEnterReference::TEnterReference(ReferenceKind kind, TDataModule1& dm, QWidget* parent)
    : QDialog(parent), m_member(ReferenceMembers::of(kind)), m_dataset(m_member.dataset(dm))
{
    setWindowTitle(m_member.entryTitle.trimmed());

    auto* form = new QGridLayout;
    form->setColumnStretch(1, 1);
    int row = 0;
    for (const ReferenceField& field : m_member.fields) {
        QWidget* edit = addField(field);
        form->addWidget(FormWidgets::caption(field.caption, edit, this), row, 0,
                        field.multiLine ? Qt::AlignTop : Qt::Alignment());
        form->addWidget(edit, row, 1);
        if (field.hasPickList()) {
            QPushButton* pick = FormWidgets::pickButton(this, field.pickButton, field.pickHint);
            pick->setAutoDefault(false);
            auto* line = qobject_cast<QLineEdit*>(edit);
            connect(pick, &QPushButton::clicked, this,
                    [this, line, &field] { runGuarded([this, line, &field] { openPickList(line, field); }); });
            form->addWidget(pick, row, 2);
        }
        ++row;
    }

    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    m_ok = buttons.ok;
    buttons.cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_OkClick(); }); });
    connect(buttons.cancel, &QPushButton::clicked, this,
            [this] { runGuarded([this] { Btn_CancelClick(); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons.row);
    setMinimumWidth(440);

    if (m_required)
        connect(m_required, &QLineEdit::textChanged, this, &TEnterReference::updateOk);
    updateOk();
}

QWidget* TEnterReference::addField(const ReferenceField& field)
{
    QWidget* widget = nullptr;
    if (field.multiLine) {
        auto* memo = new QPlainTextEdit(this);
        memo->setTabChangesFocus(true);
        memo->setFixedHeight(72);
        DataBinding::bind(memo, m_dataset, field.field);
        widget = memo;
    } else {
        auto* edit = new QLineEdit(this);
        DataBinding::bind(edit, m_dataset, field.field);
        if (field.field.compare(m_member.requiredField, Qt::CaseInsensitive) == 0)
            m_required = edit;
        if (field.hasPickList()) {
            // Enter opens the pick list; a double-click edits the user's own list.
            FieldShortcuts::Action editList;
            if (!field.pickColumn.isEmpty())
                editList = [this, &field] { TComboList::edit(field.editorTitle, field.pickColumn, this); };
            FieldShortcuts::install(edit, [this, edit, &field] { openPickList(edit, field); }, editList);
        }
        widget = edit;
    }
    widget->setObjectName(QStringLiteral("Ed_") + field.field);
    return widget;
}

void TEnterReference::updateOk()
{
    m_ok->setEnabled(m_required && ReferenceMembers::isFilled(m_required->text()));
}

void TEnterReference::Btn_OkClick()
{
    if (!m_ok->isEnabled())
        return;
    // A value the column refuses raises here: the window stays open with
    // what was typed, and the row stays in edit.
    m_dataset.post();
    accept();
}

void TEnterReference::reject()
{
    m_dataset.cancel();
    QDialog::reject();
}

void TEnterReference::openPickList(QLineEdit* edit, const ReferenceField& field)
{
    if (!field.pickColumn.isEmpty())
        TStrList::openColumn(edit, field.pickColumn);
    else
        TStrList::open(edit, field.fixedEntries);
}
