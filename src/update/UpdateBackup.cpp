#include "UpdateBackup.h"

#include "Clock.h"
#include "Compaction.h"
#include "UpdateEngine.h"
#include "UpdateLog.h"

#include <QDir>
#include <QFileInfo>

namespace UpdateBackup {

QString fileName(const QString& dataFolder, const QString& databaseFile, const QDateTime& moment)
{
    const QString name = QFileInfo(databaseFile).fileName();
    return dataFolder + QStringLiteral("Backup/Maj/") +
           name.left(qMax<qsizetype>(0, name.size() - 4)).toUpper() + QStringLiteral("_ACCESS_BACKUP_MAJ_") +
           moment.toString(QStringLiteral("ddMMyyyyhhmmss")) + QStringLiteral(".bkp");
}

QString make(const UpdateTarget& target, UpdateLog& log, const QString& scriptName)
{
    QDir().mkpath(target.dataFolder + QStringLiteral("Backup/Maj/"));
    QDateTime moment = Clock::now();
    QString copy = fileName(target.dataFolder, target.databaseFile, moment);
    for (int i = 0;
         i < 3600 && (QFileInfo::exists(copy) || QFileInfo::exists(Compaction::scratchFileFor(copy))); ++i) {
        if (QFileInfo::exists(Compaction::scratchFileFor(copy)))
            log.write(QStringLiteral("Sauvegarde interrompue laissée de côté : ") +
                      Compaction::scratchFileFor(copy));
        moment = moment.addSecs(1);
        copy = fileName(target.dataFolder, target.databaseFile, moment);
    }
    target.closeConnection();
    QString failure;
    try {
        Compaction::compactInto(target.databaseFile, copy);
    } catch (const AppError& e) {
        failure = e.text();
    }
    try {
        target.openConnection();
    } catch (const AppError& e) {
        failure += (failure.isEmpty() ? QString() : QStringLiteral("\r")) + e.text();
    }
    if (!failure.isEmpty())
        throw UpdateError(
            QStringLiteral("La sauvegarde de la base de données avant la mise à jour du script « %1 » "
                           "a échoué ; aucune ligne du script n'a été exécutée.\r%2")
                .arg(scriptName, failure));
    log.write(QStringLiteral("Sauvegarde de la base de données : ") + copy + QStringLiteral(" (Ok)"));
    return copy;
}

} // namespace UpdateBackup
