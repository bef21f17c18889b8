#include "StartupAdoption.h"

#include "BusyCursor.h"
#include "Clock.h"
#include "Connection.h"
#include "Errors.h"
#include "FileUtils.h"
#include "JetConversion.h"
#include "JetFile.h"
#include "Messages.h"
#include "StoredFiles.h"
#include "TWait.h"

#include <cerrno>
#include <cstdio>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace StartupAdoption {
namespace {

const QString kStaging = QStringLiteral(".conversion/");

void moveFile(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw FileError(
            QStringLiteral("Impossible de déplacer \"%1\" vers \"%2\" : %3.")
                .arg(FileUtils::shownPath(from), FileUtils::shownPath(to), FileUtils::systemReason(errno)));
}

// The copy kept of the Windows file: BRIVOLINE_WINDOWS_<ddMMyyyyhhmmss>.MDB,
// never the name of a file already there.
QString keptCopyName(const Folders& folders, const DbConfig& db)
{
    const QFileInfo file(db.databaseFile());
    const QString stem = QStringLiteral("%1Backup/%2_WINDOWS_%3")
                             .arg(folders.data, file.completeBaseName().toUpper(),
                                  Clock::now().toString(QStringLiteral("ddMMyyyyhhmmss")));
    QString name = stem + QStringLiteral(".MDB");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QStringLiteral("_%1.MDB").arg(n);
    return name;
}

} // namespace

QString adopt(const Folders& folders, const DbConfig& db, const WindowsDatabase::Progress& progress)
{
    const QString jetFile = db.databaseFile();
    const QString staging = db.databaseFolder + kStaging;
    // What an interrupted conversion left there is its own, never the user's.
    if (QFileInfo::exists(staging) && !QDir(staging).removeRecursively())
        throw FileError(
            QStringLiteral("Le dossier \"%1\" d'une conversion précédente ne peut pas être supprimé.")
                .arg(FileUtils::shownPath(staging)));
    if (!QDir().mkpath(StoredFiles::pictures().in(staging)))
        throw FileError(
            QStringLiteral("Impossible de créer le dossier \"%1\".").arg(FileUtils::shownPath(staging)));
    const QString converted = staging + QFileInfo(jetFile).fileName();
    QString kept;
    try {
        WindowsDatabase::convert(jetFile, converted, staging, folders, progress);
        FileUtils::makeFolder(folders.data + QStringLiteral("Backup"));
        kept = keptCopyName(folders, db);
        FileUtils::copyFile(jetFile, kept, false);
        // The pictures before the database: a crash between the two leaves
        // the Windows file to convert again, and these pictures taken as they are.
        const StoredFiles::Folder& pictures = StoredFiles::pictures();
        const QString images = pictures.in(db.databaseFolder);
        QDir().mkpath(images);
        for (const QString& name : FileUtils::listFiles(pictures.in(staging), pictures.mask)) {
            if (!QFileInfo::exists(images + name))
                moveFile(pictures.in(staging) + name, images + name);
        }
        FileUtils::syncFolder(images);
        moveFile(converted, jetFile);
        FileUtils::syncFolder(QFileInfo(jetFile).absolutePath());
    } catch (...) {
        QDir(staging).removeRecursively();
        if (!kept.isEmpty() && Jet::looksLikeJet(jetFile))
            QFile::remove(kept);
        throw;
    }
    QDir(staging).removeRecursively();
    return kept;
}

bool offerAtStart(const Folders& folders, const DbConfig& db)
{
    const QString file = db.databaseFile();
    if (!Jet::looksLikeJet(file))
        return true;
    const QString shown = FileUtils::shownPath(file);
    try {
        // Refused before the question: it is only asked about a file that can be taken.
        const QString version = WindowsDatabase::checkFile(file);
        if (!Messages::ask(
                QStringLiteral("La base de données \"%1\" est celle de la version Windows du logiciel "
                               "(version %2).\rPour l'utiliser ici, elle doit être convertie au format "
                               "de cette version. Le fichier d'origine n'est pas modifié : une copie en "
                               "est gardée dans le dossier Backup.\r\rSouhaitez-vous la convertir "
                               "maintenant ?")
                    .arg(shown, version)))
            return false;
        BusyCursor busy;
        TWait wait;
        wait.setTask(QStringLiteral("Conversion de la base de données Windows"));
        wait.setBarVisible(true);
        wait.setCancellable(true);
        wait.centreInWorkArea();
        wait.show();
        QApplication::processEvents();
        const QString kept = adopt(folders, db, [&wait](const QString& step, qint64 done, qint64 total) {
            wait.setTask(step);
            wait.setProgress(static_cast<int>(total > 0 ? done * 1000 / total : 0), total > 0 ? 1000 : 0);
            return !wait.cancelRequested();
        });
        wait.close();
        Messages::information(
            QStringLiteral("La base de données Windows a été convertie. Une copie du fichier "
                           "d'origine est gardée sous \"%1\".")
                .arg(FileUtils::shownPath(kept)));
        return true;
    } catch (const AppError& e) {
        Messages::error(
            QStringLiteral("La base de données \"%1\" n'a pas été convertie :\r%2\r\rElle est restée "
                           "telle quelle ; le démarrage du logiciel est interrompu.")
                .arg(shown, e.text()));
        return false;
    }
}

} // namespace StartupAdoption
