#include "BackupHistory.h"

#include "Clock.h"
#include "Dataset.h"
#include "SealedFormat.h"

#include <QFile>
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

QString encryptedText(const QString& path)
{
    if (Sealed::isSealed(path))
        return QStringLiteral("Oui");
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.read(4) == "MSCF")
        return QStringLiteral("Non");
    return {};
}

} // namespace BackupHistory
