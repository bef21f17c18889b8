#include "BoosterReminders.h"

#include "Dataset.h"
#include "DatasetUtils.h"
#include "Transaction.h"

#include <QHash>

namespace BoosterReminders {

QSet<int> pending(const QList<Injection>& injections)
{
    // The latest day of each vaccine and how many injections fall on it.
    struct Latest
    {
        QDate day;
        int count = 0;
    };
    QHash<int, Latest> latest;
    for (const Injection& injection : injections) {
        if (!injection.vaccine)
            continue;
        auto it = latest.find(*injection.vaccine);
        if (it == latest.end())
            latest.insert(*injection.vaccine, {injection.date, 1});
        else if (injection.date > it->day)
            *it = {injection.date, 1};
        else if (injection.date == it->day)
            ++it->count;
    }
    QSet<int> result;
    for (const Injection& injection : injections) {
        if (!injection.booster.isValid())
            continue;
        if (!injection.vaccine) {
            result.insert(injection.id);
            continue;
        }
        const Latest last = latest.value(*injection.vaccine);
        if (injection.date == last.day && last.count == 1)
            result.insert(injection.id);
    }
    return result;
}

namespace {
// Sets the flag of these rows; Ids are the only values put into the text.
void setFlag(const QList<int>& ids, bool value)
{
    constexpr int kChunk = 500;
    Dataset statement;
    for (int from = 0; from < ids.size(); from += kChunk) {
        QStringList list;
        for (int i = from; i < std::min<int>(from + kChunk, ids.size()); ++i)
            list.append(QString::number(ids.at(i)));
        statement.setSql(
            QStringLiteral("UPDATE VACCINE SET Repeat_Exe=%1 WHERE Id IN (%2)")
                .arg(value ? QStringLiteral("True") : QStringLiteral("False"), list.join(QLatin1Char(','))));
        statement.execSql();
    }
}
} // namespace

void recompute(int personId)
{
    Dataset rows;
    rows.setSql(QStringList{
        QStringLiteral("SELECT Id, Id_Vaccine, Date_Vaccine, Repeat_Date, Repeat_Exe FROM VACCINE"),
        QStringLiteral("WHERE Vaccine.Id_Ref=%1").arg(personId), QStringLiteral("ORDER BY DATE_VACCINE")});
    rows.open();
    const int idField = rows.fieldIndex(QStringLiteral("Id"));
    const int vaccineField = rows.fieldIndex(QStringLiteral("Id_Vaccine"));
    const int dateField = rows.fieldIndex(QStringLiteral("Date_Vaccine"));
    const int boosterField = rows.fieldIndex(QStringLiteral("Repeat_Date"));
    const int flagField = rows.fieldIndex(QStringLiteral("Repeat_Exe"));

    QList<Injection> injections;
    injections.reserve(rows.recordCount());
    for (int row = 0; row < rows.recordCount(); ++row) {
        Injection injection;
        injection.id = rows.fieldAt(row, idField).asInteger();
        const Field vaccine = rows.fieldAt(row, vaccineField);
        if (!vaccine.isNull())
            injection.vaccine = vaccine.asInteger();
        injection.date = rows.fieldAt(row, dateField).asDate();
        injection.booster = rows.fieldAt(row, boosterField).asDate();
        injections.append(injection);
    }
    const QSet<int> due = pending(injections);

    QList<int> raise;
    QList<int> lower;
    for (int row = 0; row < rows.recordCount(); ++row) {
        const int id = injections.at(row).id;
        const bool wanted = due.contains(id);
        const Field flag = rows.fieldAt(row, flagField);
        if (flag.isNull() || flag.asBoolean() != wanted)
            (wanted ? raise : lower).append(id);
    }
    rows.close();
    if (raise.isEmpty() && lower.isEmpty())
        return;
    Transaction transaction;
    setFlag(raise, true);
    setFlag(lower, false);
    transaction.commit();
}

void openPending(Dataset& reminderQuery, int personId)
{
    recompute(personId);
    DatasetUtils::replaceWhereLine(reminderQuery, kPendingFilter.arg(personId));
}

Urgency urgencyOf(const QDate& booster, const QDate& today)
{
    if (booster < today)
        return Urgency::Overdue;
    return booster <= today.addDays(kSoonDays) ? Urgency::Soon : Urgency::Later;
}

int overdueCount(const Dataset& reminders, const QDate& today)
{
    const int booster = reminders.fieldIndex(QStringLiteral("Repeat_Date"));
    int count = 0;
    for (int row = 0; row < reminders.recordCount(); ++row)
        if (urgencyOf(reminders.fieldAt(row, booster).asDate(), today) == Urgency::Overdue)
            ++count;
    return count;
}

QString overdueText(int count)
{
    if (count == 0)
        return QStringLiteral("Aucun rappel en retard");
    return count == 1 ? QStringLiteral("1 rappel en retard")
                      : QStringLiteral("%1 rappels en retard").arg(count);
}

} // namespace BoosterReminders
