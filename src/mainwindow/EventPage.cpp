#include "EventPage.h"

#include "Clock.h"
#include "CommandGuard.h"
#include "DatasetGrid.h"
#include "DatasetUtils.h"
#include "Messages.h"
#include "TDataModule1.h"
#include "TEnterEvents.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

EventPage::EventPage(TDataModule1& dataModule, QWidget* parent)
    : PersonPage(parent), m_dm(dataModule), m_grid(new DatasetGrid(this))
{
    m_grid->setObjectName(QStringLiteral("Grid_Event"));
    m_grid->setAccessibleName(QStringLiteral("Evénements"));
    m_grid->setDataset(m_dm.Event, {{QStringLiteral("Date"), QStringLiteral("Date_Event")},
                                    {QStringLiteral("Heure"), QStringLiteral("Time_Event")},
                                    {QStringLiteral("Description"), QStringLiteral("Description")}});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] {
        if (m_edit->isEnabled())
            runGuarded([this] { Btn_Event_EditClick(); });
    });

    m_add = addButton("Btn_Event_Add", QStringLiteral(" Ajouter"));
    m_edit = addButton("Btn_Event_Edit", QStringLiteral(" Modifier"));
    m_delete = addButton("Btn_Event_Delete", QStringLiteral(" Supprimer"));
    connect(m_add, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_Event_AddClick(); }); });
    connect(m_edit, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_Event_EditClick(); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] { runGuarded([this] { Btn_Event_DeleteClick(); }); });

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_add, m_edit, m_delete})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
}

QPushButton* EventPage::addButton(const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

void EventPage::refreshPage(int rowId)
{
    Dataset& person = m_dm.Person;
    const int personId = person.isActive() && !person.isEmpty() ? person.field(QStringLiteral("Id")).asInteger() : -1;
    Dataset& events = m_dm.Event;
    events.close();
    events.setWhereLine(QStringLiteral("WHERE Event.Id_Ref=%1").arg(personId));
    events.open();
    if (rowId >= 0)
        events.locateId(rowId);
}

void EventPage::leavePage()
{
    m_dm.Event.close();
}

void EventPage::refreshCommandStates(bool hasPerson)
{
    const Dataset& events = m_dm.Event;
    const bool hasEvent = hasPerson && events.isActive() && !events.isEmpty();
    m_add->setEnabled(hasPerson);
    m_edit->setEnabled(hasEvent);
    m_delete->setEnabled(hasEvent);
}

void EventPage::runEntry()
{
    TEnterEvents window(m_dm.Event, this);
    window.exec();
    emit commandsChanged();
}

void EventPage::Btn_Event_AddClick()
{
    Dataset& events = m_dm.Event;
    if (!events.isActive())
        refreshPage(-1);
    events.append();
    events.field(QStringLiteral("Id_Ref")).setAsInteger(m_dm.Person.field(QStringLiteral("Id")).asInteger());
    events.field(QStringLiteral("Date_Event")).setAsDate(Clock::today());
    runEntry();
}

void EventPage::Btn_Event_EditClick()
{
    m_dm.Event.edit();
    runEntry();
}

void EventPage::Btn_Event_DeleteClick()
{
    if (!Messages::ask(QStringLiteral("Désirez-vous supprimer cet événement ?")))
        return;
    m_dm.Event.remove();
    emit commandsChanged();
}
