#include "TEnterEvents.h"

#include "Dataset.h"
#include "EntryFields.h"

#include <QLineEdit>

TEnterEvents::TEnterEvents(Dataset& events, QWidget* parent)
    : EntryDialog(events, QStringLiteral("EnterEvents"), QStringLiteral("  Saisie d'un événement"), parent)
{
    EntryFields::addDateField(*this, QStringLiteral("&Date"), QStringLiteral("Ed_Event_Date"),
                              QStringLiteral("Date_Event"), QStringLiteral("Btn_Event_Date"));
    addLineField(QStringLiteral("&Heure"), QStringLiteral("Ed_Event_Time"), QStringLiteral("Time_Event"))
        ->setMaximumWidth(70);
    // The column holds 255 characters; its binding drops what goes beyond.
    addMemoField(QStringLiteral("D&escription"), QStringLiteral("Ed_Description"),
                 QStringLiteral("Description"), 110);
    setOkRule([this] { return !row().field(QStringLiteral("Description")).asString().isEmpty(); });
}
