#include "DatabaseRecovery.h"

#include "BusyCursor.h"
#include "Compaction.h"
#include "FileUtils.h"
#include "Messages.h"
#include "Product.h"

#include <QFileInfo>
#include <QSqlError>

namespace {

const QString kCheckConnection = QStringLiteral("brivoline-recovery-check");

// Why a closed database file cannot take the records' place; empty when it can.
QString unfitness(const QString& file)
{
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kCheckConnection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!QFileInfo(file).isFile() || QFileInfo(file).size() == 0)
            problem = QStringLiteral("le fichier est introuvable ou vide");
        else if (!db.open())
            problem = Connection::errorText(db.lastError());
        else
            problem = Connection::integrityDamageOf(db);
        if (problem.isEmpty()) {
            QStringList tables = db.tables();
            for (QString& table : tables)
                table = table.toUpper();
            if (!tables.contains(QStringLiteral("PERSON")) ||
                !tables.contains(QStringLiteral("OBJECT_VAL_STR")))
                problem = QStringLiteral("ce n'est pas la base de données d'un carnet de santé de %1")
                              .arg(Product::name);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kCheckConnection);
    return problem;
}

QString shown(const QString& path)
{
    return FileUtils::shownPath(path);
}

} // namespace

DatabaseRecovery::DatabaseRecovery(const DbConfig& db, BackupRoute route)
    : m_db(db), m_route(std::move(route))
{
}

QString DatabaseRecovery::damagedMessage(const QString& databaseFile)
{
    return QStringLiteral(
               "EXECUTION IMPOSSIBLE !!\r\rLa base de données \"%1\" est endommagée : le logiciel ne "
               "l'ouvre pas dans cet état.\rAu prochain démarrage, il vous proposera de nouveau la "
               "sauvegarde la "
               "plus récente de l'historique, s'il y en a une, ou la réparation. Vous pouvez aussi contacter "
               "le support par email : ")
               .arg(shown(databaseFile)) +
           Product::supportAddress;
}

QString DatabaseRecovery::incompleteMessage(const QString& databaseFile, const QString& missing,
                                            const QString& updateBackup)
{
    if (updateBackup.isEmpty())
        return QStringLiteral("La base de données \"%1\" est incomplète : il y manque %2.\r"
                              "Ce fichier n'a pas été créé par ce logiciel, ou il a été endommagé.")
            .arg(shown(databaseFile), missing);
    return QStringLiteral(
               "La mise à jour a laissé la base de données \"%1\" incomplète : il y manque %2.\r\r"
               "La base de données telle qu'elle était avant la mise à jour est gardée dans la sauvegarde "
               "\"%3\".")
        .arg(shown(databaseFile), missing, shown(updateBackup));
}

bool DatabaseRecovery::recoverDamaged()
{
    const QString problem =
        QStringLiteral(
            "La base de données \"%1\" est endommagée : une partie de son contenu ne peut plus être lue.")
            .arg(shown(m_db.databaseFile()));
    const Outcome restored = offerLatestBackup(problem);
    if (restored != Outcome::Declined)
        return restored == Outcome::Done;
    if (repairByCompaction(problem))
        return true;
    Connection::close();
    Messages::error(damagedMessage(m_db.databaseFile()));
    return false;
}

bool DatabaseRecovery::recoverIncomplete(const QString& missing, const QString& updateBackup)
{
    const QString file = m_db.databaseFile();
    if (!updateBackup.isEmpty()) {
        const QString question =
            QStringLiteral(
                "La mise à jour a laissé la base de données \"%1\" incomplète : il y manque %2.\r\r"
                "La sauvegarde \"%3\", faite juste avant la mise à jour, contient la base de données telle "
                "qu'elle était.\rDésirez-vous la remettre en place ?")
                .arg(shown(file), missing, shown(updateBackup));
        if (Messages::ask(question) && putBack(updateBackup))
            return true;
    } else {
        const Outcome restored = offerLatestBackup(incompleteMessage(file, missing, {}));
        if (restored != Outcome::Declined)
            return restored == Outcome::Done;
    }
    Connection::close();
    Messages::error(incompleteMessage(file, missing, updateBackup));
    return false;
}

DatabaseRecovery::Outcome DatabaseRecovery::offerLatestBackup(const QString& problem)
{
    const std::optional<Backup> latest = m_route.latest ? m_route.latest() : std::nullopt;
    if (!latest)
        return Outcome::Declined;
    if (!Messages::ask(
            problem +
            QStringLiteral("\r\rLa sauvegarde la plus récente de l'historique est \"%1\" (du %2 à %3).\r"
                           "Désirez-vous la restaurer maintenant ? Les données actuelles seront d'abord "
                           "gardées dans une sauvegarde de sécurité.")
                .arg(shown(latest->archive), latest->when.toString(QStringLiteral("dd/MM/yyyy")),
                     latest->when.toString(QStringLiteral("hh:mm")))))
        return Outcome::Declined;
    Connection::close();
    try {
        const QString safety = m_route.restore(latest->archive);
        Messages::information(
            QStringLiteral(
                "Sauvegarde restaurée.\rLes données qu'elle a remplacées sont gardées dans la sauvegarde de "
                "sécurité \"%1\".")
                .arg(shown(safety)));
        return Outcome::Done;
    } catch (const UnfinishedRestore& e) {
        Messages::error(e.text() +
                        QStringLiteral("\r\rLe démarrage du logiciel est interrompu : la restauration sera "
                                       "achevée au prochain démarrage."));
        return Outcome::Stop;
    } catch (const AppError& e) {
        Messages::error(
            QStringLiteral("La sauvegarde \"%1\" n'a pas été restaurée :\r%2\r\rVos données n'ont pas été "
                           "modifiées.")
                .arg(shown(latest->archive), e.text()));
        return Outcome::Declined;
    }
}

bool DatabaseRecovery::repairByCompaction(const QString& problem)
{
    if (!Messages::ask(
            problem + QStringLiteral("\r\rDésirez-vous tenter de la réparer par un compactage ? Elle ne sera "
                                     "remplacée que par une copie vérifiée.")))
        return false;
    Connection::close();
    try {
        BusyCursor busy;
        Compaction::compactInPlace(m_db.databaseFile());
    } catch (const AppError& e) {
        Messages::error(QStringLiteral("La base de données \"%1\" n'a pas pu être réparée :\r%2")
                            .arg(shown(m_db.databaseFile()), e.text()));
        return false;
    }
    Messages::information(QStringLiteral("Compactage effectué : la base de données \"%1\" est réparée.")
                              .arg(shown(m_db.databaseFile())));
    return true;
}

bool DatabaseRecovery::putBack(const QString& updateBackup)
{
    BusyCursor busy;
    if (const QString problem = unfitness(updateBackup); !problem.isEmpty()) {
        Messages::error(QStringLiteral("La sauvegarde \"%1\" ne peut pas être remise en place :\r%2.")
                            .arg(shown(updateBackup), problem));
        return false;
    }
    Connection::close();
    try {
        FileUtils::copyFile(updateBackup, m_db.databaseFile(), true);
    } catch (const AppError& e) {
        Messages::error(QStringLiteral("La sauvegarde \"%1\" n'a pas été remise en place :\r%2")
                            .arg(shown(updateBackup), e.text()));
        return false;
    }
    Messages::information(QStringLiteral("La base de données d'avant la mise à jour a été remise en place."));
    return true;
}
