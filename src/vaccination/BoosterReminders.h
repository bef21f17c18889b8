#pragma once

#include <optional>
#include <QDate>
#include <QList>
#include <QSet>
#include <QString>

class Dataset;

// The boosters still to be given. For every vaccine only the booster date
// of its latest injection counts: a later injection (or another one the
// same day) supersedes the boosters planned before it, and a latest
// injection without a booster date plans none. The result is kept in
// VACCINE.Repeat_Exe, which only recompute() writes; every list of
// boosters (the reminder window, the HTML pages, the printed tables)
// recomputes it first.
namespace BoosterReminders {

// One injection as the rule sees it.
struct Injection
{
    int id = -1;
    std::optional<int> vaccine; // none: compared with no other injection
    QDate date;                 // invalid dates count as the earliest day
    QDate booster;              // invalid: no booster planned
};

// The Ids of the injections whose booster is pending: a booster date, and
// no other injection of the same vaccine on the same day or later.
QSet<int> pending(const QList<Injection>& injections);

// Recomputes Repeat_Exe for every injection of the person from the stored
// rows, changing only the rows whose flag differs, all in one transaction.
// Throws DatabaseError; the flags are then left as they were.
void recompute(int personId);

// The WHERE line that ties the reminder query (TDataModule2's
// RepeatVaccineQuery) to a person's pending boosters, "%1" for its Id.
inline const QString kPendingFilter = QStringLiteral("WHERE Vaccine.Repeat_Exe=True AND Vaccine.Id_Ref=%1");
// Recomputes the person's boosters, then opens the reminder query on them,
// in the order of the injections. Throws DatabaseError.
void openPending(Dataset& reminderQuery, int personId);

// How soon a pending booster is due.
enum class Urgency
{
    Overdue, // its date has passed
    Soon,    // today or within the next 30 days
    Later
};
inline constexpr int kSoonDays = 30;
Urgency urgencyOf(const QDate& booster, const QDate& today);
// The reminders of the open query whose date has passed.
int overdueCount(const Dataset& reminders, const QDate& today);
// "Aucun rappel en retard", "1 rappel en retard", "3 rappels en retard".
QString overdueText(int count);

} // namespace BoosterReminders
