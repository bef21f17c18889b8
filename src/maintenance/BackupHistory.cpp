#include "BackupHistory.h"

#include "BackupArchive.h"
#include "Clock.h"
#include "Connection.h"
#include "Dataset.h"
#include "RecordSet.h"
#include "SealedFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>

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

std::optional<Archive> latestArchive(const RecordSet& set)
{
    return latestArchive(set, Connection::isOpen() ? Connection::database() : QSqlDatabase());
}

std::optional<Archive> latestArchive(const RecordSet& set, const QSqlDatabase& db)
{
    if (db.isOpen()) {
        QSqlQuery rows(db);
        rows.setForwardOnly(true);
        if (rows.exec(QStringLiteral("SELECT DateSav, TimeSav, Path FROM BACKUP WHERE Description = '%1' "
                                     "ORDER BY DateSav DESC, TimeSav DESC, rowid DESC")
                          .arg(kBackup))) {
            while (rows.next()) {
                const QString path = rows.value(2).toString();
                if (!path.isEmpty() && QFileInfo(path).isFile())
                    return Archive{
                        path, QDateTime(rows.value(0).toDate(), QTime::fromString(rows.value(1).toString(),
                                                                                  QStringLiteral("hh:mm")))};
            }
            if (!rows.lastError().isValid())
                return std::nullopt;
        }
    }
    std::optional<Archive> newest;
    const QFileInfoList archives =
        QDir(set.backupFolder()).entryInfoList({QStringLiteral("*.bkp")}, QDir::Files);
    for (const QFileInfo& file : archives)
        if (!file.fileName().startsWith(BackupArchive::kSafetyPrefix, Qt::CaseInsensitive) &&
            (!newest || file.lastModified() > newest->when))
            newest = Archive{file.absoluteFilePath(), file.lastModified()};
    return newest;
}

} // namespace BackupHistory
