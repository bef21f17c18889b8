#include "BackupHistory.h"

#include "Clock.h"
#include "Dataset.h"

#include <QScopeGuard>

namespace BackupHistory {

void add(Dataset& backup, const QString& description, const QString& path)
{
    const QDateTime now = Clock::now();
    backup.open();
    const auto closing = qScopeGuard([&backup] { backup.close(); });
    backup.append();
    backup.field(QStringLiteral("DateSav")).setAsDate(now.date());
    backup.field(QStringLiteral("TimeSav")).setAsString(now.time().toString(QStringLiteral("hh:mm")));
    backup.field(QStringLiteral("Description")).setAsString(description);
    backup.field(QStringLiteral("Path")).setAsString(path);
    backup.post();
}

} // namespace BackupHistory
