#include "Provisioning.h"

#include "BusyCursor.h"
#include "Errors.h"
#include "FileUtils.h"
#include "Messages.h"
#include "StoredFiles.h"
#include "TWait.h"

#include <QFileInfo>

namespace Provisioning {

const QString kMissingComponentsMessage = QStringLiteral(
    "EXECUTION IMPOSSIBLE !!\r\rCertains composants nécessaires au bon fonctionnement de cette application "
    "sont "
    "introuvables.\rEffectuez une nouvelle installation de l'application afin de résoudre ce problème.");

QString copyFailedMessage(const QString& databaseFolder, const QString& reason)
{
    return QStringLiteral("La copie des données dans le dossier \"%1\" a échoué :\r%2")
        .arg(FileUtils::shownPath(databaseFolder), reason);
}

namespace {
bool copyDatabase(const Folders& folders, const DbConfig& db)
{
    const QString fileName = db.providerFileName();
    const QString oldData = folders.program + QStringLiteral("Data/");
    const bool transfer = QFileInfo(oldData + fileName).isFile() &&
                          (QFileInfo::exists(folders.program + QStringLiteral("dsn.ini")) ||
                           QFileInfo::exists(folders.program + QStringLiteral("db.ini")));
    const QString source = transfer ? oldData : folders.program + QStringLiteral("Ressources/DB/Data/");

    // Checked before any folder is made: a broken installation leaves nothing behind.
    if (!QFileInfo(source + fileName).isFile()) {
        Messages::warning(kMissingComponentsMessage);
        return false;
    }
    for (const QString& sub : {QString(), QStringLiteral("Access/"), StoredFiles::pictures().name,
                               StoredFiles::attachedFiles().name})
        FileUtils::makeFolder(db.databaseFolder + sub);

    BusyCursor busy;
    TWait wait;
    wait.setTask(QStringLiteral("TRANSFERT DES DONNEES"));
    wait.setMessage(QStringLiteral("Quelques instants, SVP ..."));
    wait.setTotal(3);
    wait.setBarVisible(true);
    wait.centreInWorkArea();
    if (transfer)
        wait.show();

    const QString target = db.databaseFile();
    bool databaseCopied = false;
    try {
        wait.step(QStringLiteral("Copie de la base de données"), TWait::Line::Message);
        FileUtils::copyFile(source + fileName, target, false);
        databaseCopied = true;
        for (const auto& [step, folder] :
             {std::pair{QStringLiteral("Copie des images"), StoredFiles::pictures()},
              std::pair{QStringLiteral("Copie des fichiers"), StoredFiles::attachedFiles()}}) {
            wait.step(step, TWait::Line::Message);
            FileUtils::copyFiles(folder.in(source), folder.in(db.databaseFolder), folder.mask);
        }
    } catch (const FileError& e) {
        wait.close();
        // Without its pictures and files the copy is not the household's
        // record: the next start copies everything again.
        if (databaseCopied)
            FileUtils::removeFiles({target});
        Messages::error(copyFailedMessage(db.databaseFolder, e.text()));
        return false;
    }
    wait.close();

    if (transfer)
        Messages::warning(
            QStringLiteral("IMPORTANT !!\r\rLa base de données a été transférée dans le réperoire :\r") +
            db.databaseFolder + QStringLiteral("\r\rNE SUPPRIMEZ PAS CE REPERTOIRE"));
    return true;
}
} // namespace

bool run(const Folders& folders, const DbConfig& db)
{
    bool result = true;
    if (!QFileInfo(db.databaseFolder + db.providerFileName()).isFile())
        result = copyDatabase(folders, db);
    FolderSetup::copyIfMissing(folders, QStringLiteral("SortList.def"));
    FolderSetup::copyIfMissing(folders, folders.iniFileName);
    return result;
}

} // namespace Provisioning
