#include "TEnterEvents.h"

#include "CommandGuard.h"
#include "DataBinding.h"
#include "Dataset.h"
#include "FieldShortcuts.h"
#include "FormWidgets.h"
#include "TSelectDate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

TEnterEvents::TEnterEvents(Dataset& events, QWidget* parent)
    : QDialog(parent), m_events(events), m_date(new QLineEdit(this)), m_description(new QPlainTextEdit(this))
{
    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    m_ok = buttons.ok;
    setObjectName(QStringLiteral("EnterEvents"));
    setWindowTitle(QStringLiteral("Saisie d'un événement"));

    m_date->setObjectName(QStringLiteral("Ed_Event_Date"));
    auto* time = new QLineEdit(this);
    time->setObjectName(QStringLiteral("Ed_Event_Time"));
    time->setMaximumWidth(70);
    m_description->setObjectName(QStringLiteral("Ed_Description"));
    m_description->setTabChangesFocus(true);
    DataBinding::bind(m_date, m_events, QStringLiteral("Date_Event"));
    DataBinding::bind(time, m_events, QStringLiteral("Time_Event"));
    DataBinding::bind(m_description, m_events, QStringLiteral("Description"));

    auto* dateButton = FormWidgets::pickButton(this, QStringLiteral("Btn_Event_Date"), QStringLiteral("Choisir la date"));
    connect(dateButton, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_Event_DateClick(); }); });
    FieldShortcuts::install(m_date, [this] { Btn_Event_DateClick(); });

    const auto caption = [this](const QString& text, QWidget* field) { return FormWidgets::caption(text, field, this); };
    auto* grid = new QGridLayout;
    grid->addWidget(caption(QStringLiteral("&Date"), m_date), 0, 0);
    grid->addWidget(caption(QStringLiteral("&Heure"), time), 0, 2);
    auto* dateLine = new QHBoxLayout;
    dateLine->setSpacing(3);
    dateLine->addWidget(m_date);
    dateLine->addWidget(dateButton);
    grid->addLayout(dateLine, 1, 0, 1, 2);
    grid->addWidget(time, 1, 2);
    grid->addWidget(caption(QStringLiteral("D&escription"), m_description), 2, 0, 1, 3);
    grid->addWidget(m_description, 3, 0, 1, 3);

    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_OkClick(); }); });
    connect(buttons.cancel, &QPushButton::clicked, this, &TEnterEvents::reject);
    connect(m_description, &QPlainTextEdit::textChanged, this, &TEnterEvents::descriptionChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons.row);
    resize(420, 260);
    descriptionChanged();
}

void TEnterEvents::descriptionChanged()
{
    // The column holds 255 characters: what goes beyond is not taken.
    const QString text = m_description->toPlainText();
    if (text.size() > kDescriptionLength) {
        QTextCursor cursor = m_description->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, text.size() - kDescriptionLength);
        cursor.removeSelectedText();
        return; // the removal comes back here
    }
    m_ok->setEnabled(!text.isEmpty());
}

void TEnterEvents::Btn_Event_DateClick()
{
    TSelectDate::open(m_date);
}

void TEnterEvents::Btn_OkClick()
{
    // A refused value leaves the window open with what was typed.
    m_events.post();
    accept();
}

void TEnterEvents::reject()
{
    runGuarded([this] {
        if (m_events.isEditing())
            m_events.cancel();
    });
    QDialog::reject();
}
