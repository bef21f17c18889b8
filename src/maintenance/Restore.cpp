#include "Restore.h"

#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BackupHistory.h"
#include "Cabinet.h"
#include "CabinetFormat.h"
#include "Clock.h"
#include "Connection.h"
#include "DatabaseUpdate.h"
#include "DatabaseVersion.h"
#include "Dataset.h"
#include "FileConnection.h"
#include "FileUtils.h"
#include "Folders.h"
#include "JetFile.h"
#include "JpegIO.h"
#include "Product.h"
#include "SafetyArchive.h"
#include "SealedFormat.h"
#include "StoredFiles.h"
#include "WindowsDatabase.h"

#include <cerrno>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <sys/stat.h>

namespace Restore {
namespace {

const QString kStage = QStringLiteral(".restauration/");
const QString kIncoming = QStringLiteral("new/");
// Where the swap sets the current data aside, with the note of their safety archive.
const QString kOutgoing = QStringLiteral("old/");
// Where the entries the records name come out of the archive, to be checked.
const QString kExtracted = QStringLiteral("archive/");
// Its presence commits the restore; it says which half of the swap is under way.
const QString kMarker = QStringLiteral("etape");
const QByteArray kMovingOut = "A";
const QByteArray kMovingIn = "B";
const QString kConnection = QStringLiteral("brivoline-restore");
// The files a restore replaces in their folders; the database comes apart.
const QList<StoredFiles::Folder>& kReplaced = StoredFiles::folders();
using StoredFiles::isPicture;

// What SQLite may keep beside a database file, which goes with it.
const QString kCompanions[] = {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"),
                               QStringLiteral("-shm")};

void makeFolders(const QString& path)
{
    if (!QDir().mkpath(path))
        throw FileError(
            QStringLiteral("Impossible de créer le dossier \"%1\".").arg(FileUtils::shownPath(path)));
}

void moveFile(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw FileError(
            QStringLiteral("Impossible de déplacer \"%1\" vers \"%2\" : %3.")
                .arg(FileUtils::shownPath(from), FileUtils::shownPath(to), FileUtils::systemReason(errno)));
}

// Every file of `from` that the mask takes goes to `to`, by rename. Forced
// to the disk once the whole swap is done.
void moveAll(const QString& from, const QString& to, const QString& mask, MaintenanceProgress* progress)
{
    if (!QFileInfo(from).isDir())
        return;
    makeFolders(to);
    const QStringList names = FileUtils::listFiles(from, mask);
    for (int i = 0; i < names.size(); ++i) {
        moveFile(from + names.at(i), to + names.at(i));
        if (progress)
            progress->bar(i + 1, names.size());
    }
}

void moveDatabase(const QString& from, const QString& to)
{
    makeFolders(QFileInfo(to).absolutePath());
    for (const QString& companion : kCompanions)
        if (QFileInfo::exists(from + companion))
            moveFile(from + companion, to + companion);
}

void setStep(const QString& stage, const QByteArray& step)
{
    FileUtils::writeFileAtomically(stage + kMarker, step);
}

// The swap's two halves, each safe to run again after a crash: the marker
// says which one was under way.
void moveOut(const RecordSet& set, const QString& stage, MaintenanceProgress* progress)
{
    for (const auto& [folder, mask] : kReplaced)
        moveAll(set.databaseFolder + folder, stage + kOutgoing + folder, mask, progress);
    if (QFileInfo::exists(set.databaseFile()))
        moveDatabase(set.databaseFile(), stage + kOutgoing + set.databaseName);
    setStep(stage, kMovingIn);
}

void moveIn(const RecordSet& set, const QString& stage, MaintenanceProgress* progress)
{
    for (const auto& [folder, mask] : kReplaced) {
        makeFolders(set.databaseFolder + folder);
        moveAll(stage + kIncoming + folder, set.databaseFolder + folder, QStringLiteral("*"), progress);
    }
    const QString incoming = stage + kIncoming + set.databaseName;
    if (QFileInfo::exists(incoming))
        moveDatabase(incoming, set.databaseFile());
    else if (!QFileInfo::exists(set.databaseFile()))
        throw FileError(QStringLiteral("La base de données restaurée \"%1\" est introuvable.").arg(incoming));
}

// A connection of its own on the staged database, under the name the
// update and the version reading look for. What it writes is not forced to
// the disk row by row: the whole staging is, once, before the swap commits.
class StagedConnection : public FileConnection
{
public:
    explicit StagedConnection(const QString& file) : FileConnection(file, Access::ReadWrite, kConnection)
    {
        if (!isOpen())
            throw AppError(QStringLiteral("la base de données de l'archive ne peut pas être ouverte (%1).")
                               .arg(Connection::errorText(openError())));
        QSqlQuery(database()).exec(QStringLiteral("PRAGMA synchronous = OFF"));
    }
};

// The engine's integrity check of a closed database file: "ok" when
// sound, else its report; nothing for a file that is not a database at all.
QString integrityOf(const QString& databaseFile)
{
    const FileConnection file(databaseFile, FileConnection::Access::ReadOnly);
    if (!file.isOpen())
        return {};
    QSqlQuery check(file.database());
    if (!check.exec(QStringLiteral("PRAGMA integrity_check")))
        return {};
    QStringList found;
    while (check.next() && found.size() < 5)
        found << check.value(0).toString();
    return found.join(QLatin1Char('\r'));
}

// The staged database's integrity check, on a thread of its own so that
// the files the database names are extracted meanwhile; whatever the
// restore meets before the check's end is said as the damage the check
// finds, when it finds some, as the check alone would have said it.
class StagedCheck
{
public:
    explicit StagedCheck(const QString& file)
        : m_file(file), m_state(std::async(std::launch::async, [file] { return integrityOf(file); }))
    {
    }

    // Throws what the check found, when it found anything; waits for it.
    void require()
    {
        if (!m_done) {
            m_done = true;
            m_found = damageOf(m_state.get());
        }
        if (m_found)
            throw *m_found;
    }
    // Runs `step`; a failure of it is said as the damage, when there is some.
    template <typename Step> void whileChecking(Step&& step)
    {
        try {
            step();
        } catch (const AppError&) {
            require();
            throw;
        }
    }

private:
    std::optional<AppError> damageOf(const QString& state) const
    {
        if (state.isEmpty() || QFileInfo(m_file).size() == 0)
            return AppError(
                QStringLiteral("la base de données de l'archive n'est pas une base de données lisible."));
        if (state != QLatin1String("ok"))
            return AppError(QStringLiteral("la base de données de l'archive est endommagée : %1.")
                                .arg(Connection::damageFoundText()));
        return std::nullopt;
    }

    QString m_file;
    std::future<QString> m_state;
    bool m_done = false;
    std::optional<AppError> m_found;
};

QString bareName(const QString& entryName)
{
    return entryName.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
}

// The archive's database entry, the only one of that bare name.
int databaseEntry(const QList<Cabinet::Entry>& entries)
{
    int found = -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (bareName(entries.at(i).name).compare(BackupArchive::kDatabaseEntry, Qt::CaseInsensitive) != 0)
            continue;
        if (found >= 0)
            throw AppError(
                QStringLiteral("l'archive contient deux fois la base de données (%1) : ce nom est déjà "
                               "pris.")
                    .arg(BackupArchive::kDatabaseEntry));
        found = i;
    }
    if (found < 0)
        throw AppError(QStringLiteral("l'archive ne contient pas de base de données (%1) : ce n'est pas une "
                                      "sauvegarde de ce logiciel.")
                           .arg(BackupArchive::kDatabaseEntry));
    return found;
}

Cabinet::Progress barOf(MaintenanceProgress& progress)
{
    return [&progress](qint64 done, qint64 total) {
        progress.bar(done, total);
        return true;
    };
}

// The files the records of a database name, by lower-case bare name, at
// their place under the database folder: each person's photo, each picture
// document's picture, each attached file's archive.
QHash<QString, QString> namedFiles(const QString& databaseFile)
{
    StagedConnection staged(databaseFile);
    QHash<QString, QString> named;
    for (const StoredFiles::Kind& kind : StoredFiles::kinds()) {
        QSqlQuery ids(staged.database());
        if (!ids.exec(QStringLiteral("SELECT Id FROM ") + kind.table))
            throw AppError(
                QStringLiteral("la table %1 de la base de données de l'archive ne peut pas être lue (%2).")
                    .arg(kind.table, Connection::errorText(ids.lastError())));
        while (ids.next()) {
            const QString relative = kind.relativeName(ids.value(0).toLongLong());
            named.insert(relative.section(QLatin1Char('/'), -1).toLower(), relative);
        }
    }
    return named;
}

// The entries of the archive that the staged database names, by index, at
// their place under the database folder; what is left out goes into the
// result. The directory's sizes are weighed before anything is decompressed.
QHash<int, QString> filesToTake(const QString& databaseFile, const QList<Cabinet::Entry>& entries,
                                int database, Result& result)
{
    const QHash<QString, QString> named = namedFiles(databaseFile);
    QHash<int, QString> taken;
    QSet<QString> seen;
    qint64 total = entries.at(database).size;
    for (int i = 0; i < entries.size(); ++i) {
        if (i == database)
            continue;
        const QString bare = bareName(entries.at(i).name);
        const QString relative = named.value(bare.toLower());
        if (relative.isEmpty()) {
            result.notNamed << bare;
            continue;
        }
        if (seen.contains(relative))
            throw AppError(
                QStringLiteral("l'archive contient deux fois le fichier « %1 » : ce nom est déjà pris.")
                    .arg(relative.section(QLatin1Char('/'), -1)));
        seen.insert(relative);
        if (isPicture(relative) && entries.at(i).size > kMaxJpegFileSize) {
            result.refusedPictures << bare;
            continue;
        }
        taken.insert(i, relative);
        total += entries.at(i).size;
    }
    // More than that could never be saved again: every later backup would fail.
    if (total > CabinetFormat::kMaxContent)
        throw AppError(
            QStringLiteral("ses fichiers font %1 Mo, plus qu'une sauvegarde ne peut en contenir (%2 Mo).")
                .arg(total / 1000000)
                .arg(CabinetFormat::kMaxContent / 1000000));
    return taken;
}

// Where the taken entries come out of the archive, under the staging folder.
Cabinet::NameFor extractedAs(const QHash<int, QString>& taken)
{
    return [taken](int index, const Cabinet::Entry&) {
        const QString relative = taken.value(index);
        return relative.isEmpty() ? QString() : kExtracted + relative;
    };
}

// The entries taken go under `incoming`, pictures only when they are JPEG
// files the codec takes, in place of any the update wrote from the rows.
void keepExtracted(const QString& stage, const QHash<int, QString>& taken,
                   const QList<Cabinet::Entry>& entries, Result& result)
{
    const QString extracted = stage + kExtracted;
    for (auto it = taken.cbegin(); it != taken.cend(); ++it) {
        if (isPicture(it.value()) && !jpegFileWithinLimits(extracted + it.value())) {
            result.refusedPictures << bareName(entries.at(it.key()).name);
            FileUtils::removeFile(extracted + it.value());
            continue;
        }
        moveFile(extracted + it.value(), stage + kIncoming + it.value());
    }
    if (QFileInfo::exists(extracted) && !QDir(extracted).removeRecursively())
        throw FileError(QStringLiteral("Le dossier \"%1\" ne peut pas être supprimé.")
                            .arg(FileUtils::shownPath(extracted)));
}

// Whether the staged file is a database of the program's own version, which
// needs neither conversion nor update: its files can then be named while the
// archive is still being read. Anything else is looked at afterwards.
bool ofThisVersion(const QString& file)
{
    if (Jet::looksLikeJet(file))
        return false;
    const FileConnection staged(file, FileConnection::Access::ReadOnly, kConnection);
    try {
        return staged.isOpen() &&
               numericVersion(DatabaseUpdate::databaseVersion(kConnection)) == Product::databaseVersionNumber;
    } catch (const AppError&) {
        return false;
    }
}

// Checks the staged database and brings an older one up to date, where it
// is. The engine's integrity check of a database of the program's version
// is left running, for the caller to require once its files are staged; an
// older one's is required before the update writes into it.
std::unique_ptr<StagedCheck> checkStaged(const RecordSet& set, const QString& incoming,
                                         MaintenanceProgress& progress, UpdateGauge* gauge)
{
    const QString file = incoming + set.databaseName;
    Folders folders;
    folders.program = set.programFolder;
    folders.data = set.dataFolder;
    // A database of the Windows version (a Jet file) is made into one of
    // this program's where it is staged, then checked as any other.
    if (Jet::looksLikeJet(file))
        WindowsDatabase::convert(file, file, incoming, folders,
                                 [&progress](const QString& step, qint64 done, qint64 total) {
                                     progress.task(step);
                                     progress.bar(done, total);
                                     return !progress.cancelled();
                                 });
    progress.task(QStringLiteral("Vérification de la base de données"));
    progress.bar(0, 0);
    auto check = std::make_unique<StagedCheck>(file);
    check->whileChecking([&] {
        StagedConnection staged(file);
        QStringList tables = staged.database().tables();
        for (QString& table : tables)
            table = table.toUpper();
        if (!tables.contains(QStringLiteral("PERSON")) || !tables.contains(QStringLiteral("OBJECT_VAL_STR")))
            throw AppError(
                QStringLiteral("la base de données de l'archive n'est pas celle d'un carnet de santé de %1.")
                    .arg(Product::name));
        const QString version = DatabaseUpdate::databaseVersion(kConnection);
        const int number = numericVersion(version);
        if (number > Product::databaseVersionNumber)
            throw AppError(
                QStringLiteral(
                    "elle a été faite par une version plus récente du logiciel (base de données en "
                    "version %1) ; la version %2 ne peut pas la reprendre.")
                    .arg(version.left(20), Product::version));
        // Nothing is written into the file while the check reads it.
        if (number < Product::databaseVersionNumber)
            check->require();
        DatabaseUpdate::updateOlderDatabase(folders, kConnection, incoming, file, gauge,
                                            [&progress](const QString& text) { progress.task(text); });
        if (const QString missing = Connection::missingSchemaPart(staged.database()); !missing.isEmpty())
            throw AppError(QStringLiteral("il manque %1 à la base de données de l'archive.").arg(missing));
    });
    return check;
}

void recordHistory(const QString& file, const QString& description, const QString& source)
{
    StagedConnection staged(file);
    Dataset backup(QStringLiteral("Backup"));
    backup.setConnectionName(kConnection);
    backup.setSql(QStringLiteral("SELECT * FROM BACKUP"));
    BackupHistory::add(backup, description, source);
}

// An encrypted archive is read to its end once, which checks every byte,
// so that a damaged one is refused before anything is staged.
void authenticateEncrypted(const QString& archive, const Sealed::Key* key, MaintenanceProgress& progress)
{
    progress.task(QStringLiteral("Vérification de la sauvegarde chiffrée"));
    ArchiveFile::authenticate(archive, key, barOf(progress));
}

// Renames only work within one disk: said before anything is moved.
void checkSameDisk(const RecordSet& set, const QString& stage)
{
    struct stat staged = {};
    if (::stat(QFile::encodeName(stage).constData(), &staged) != 0)
        return;
    for (const QString& place :
         {set.imagesFolder(), set.filesFolder(), QFileInfo(set.databaseFile()).absolutePath()}) {
        struct stat there = {};
        if (::stat(QFile::encodeName(place).constData(), &there) == 0 && there.st_dev != staged.st_dev)
            throw AppError(QStringLiteral("le dossier \"%1\" n'est pas sur le même disque que \"%2\".")
                               .arg(FileUtils::shownPath(place), FileUtils::shownPath(set.databaseFolder)));
    }
}

} // namespace

QString stagingFolder(const RecordSet& set)
{
    return set.databaseFolder + kStage;
}

void finishInterrupted(const RecordSet& set, MaintenanceProgress* progress)
{
    const QString stage = stagingFolder(set);
    if (!QFileInfo(stage).isDir())
        return;
    bool committed = false;
    const QByteArray step = FileUtils::readFile(stage + kMarker, &committed).trimmed();
    if (committed) {
        try {
            if (step == kMovingOut)
                moveOut(set, stage, progress);
            moveIn(set, stage, progress);
            // What was replaced waits for its safety archive.
            SafetyArchive::keep(set, stage + kOutgoing);
            // The swap reaches the disk before the marker goes.
            FileUtils::syncFileSystem(set.databaseFolder);
        } catch (const AppError& e) {
            throw FileError(
                QStringLiteral("La restauration interrompue n'a pas pu être achevée :\r%1").arg(e.text()));
        }
        FileUtils::removeFile(stage + kMarker);
    } else {
        // A staging never committed: nothing was moved out, the room taken
        // for its safety archive is given back.
        SafetyArchive::release(stage + kOutgoing);
    }
    QDir(stage).removeRecursively();
}

namespace {

// A restore once `staging` has put the new database and the files it names
// under the staging folder it is given, returning the database's check,
// which may still be running: room for the safety archive taken (encrypted
// with `safetyKey` when there is one), the swap.
using Staging = std::function<std::unique_ptr<StagedCheck>(const QString& stage, Result& result)>;

Result replaceWith(const RecordSet& set, const Staging& staging, const QString& description,
                   const QString& source, Sealed::PendingKey* safetyKey, MaintenanceProgress& progress)
{
    const QString stage = stagingFolder(set);
    const QString incoming = stage + kIncoming;
    // An earlier swap is finished first; its files are never dropped.
    finishInterrupted(set);
    Result result;
    bool reserved = false;
    try {
        if (QFileInfo::exists(stage) && !QDir(stage).removeRecursively())
            throw FileError(QStringLiteral("Le dossier \"%1\" d'une restauration précédente ne peut pas être "
                                           "supprimé.")
                                .arg(FileUtils::shownPath(stage)));
        makeFolders(incoming);
        for (const auto& [folder, mask] : kReplaced)
            makeFolders(incoming + folder);
        {
            // The staging's writing is pushed to the disk as it goes: the
            // sync before the marker then finds little left.
            const FileUtils::PushingToDisk syncing([&stage] { FileUtils::syncedFileSystem(stage); },
                                                   std::chrono::milliseconds(2));
            staging(stage, result)->require();
        }
        checkSameDisk(set, stage);
        progress.committing();
        progress.message(QStringLiteral("Quelques instants, SVP ..."));
        recordHistory(incoming + set.databaseName, description, source);
        result.safetyArchive = SafetyArchive::pathFor(set, Clock::now());
        SafetyArchive::prepare(set, stage + kOutgoing, result.safetyArchive,
                               safetyKey ? &safetyKey->get() : nullptr);
        reserved = true;
        // Everything staged reaches the disk before the marker commits it.
        FileUtils::syncFileSystem(stage);
        setStep(stage, kMovingOut);
    } catch (const AppError& e) {
        if (reserved)
            SafetyArchive::release(stage + kOutgoing);
        QDir(stage).removeRecursively();
        throw NotRestored(e.text());
    }
    progress.task(QStringLiteral("Restauration de la base"));
    progress.bar(0, 0);
    finishInterrupted(set, &progress);
    return result;
}

// The Windows version's files beside its database that the converted
// records name, whatever the case of their folder; pictures only when they
// are JPEG files the codec takes.
void stageWindowsFiles(const RecordSet& set, const QString& folder, const QString& stage, Result& result,
                       MaintenanceProgress& progress)
{
    const QString incoming = stage + kIncoming;
    const QHash<QString, QString> named = namedFiles(incoming + set.databaseName);
    const QDir from(folder);
    for (const auto& [subfolder, mask] : kReplaced) {
        const QStringList found = from.entryList({subfolder.chopped(1)}, QDir::Dirs | QDir::NoDotAndDotDot,
                                                 QDir::Name | QDir::IgnoreCase);
        if (found.isEmpty())
            continue;
        const QString source = folder + found.constFirst() + QLatin1Char('/');
        const QStringList names = FileUtils::listFiles(source, mask);
        for (int i = 0; i < names.size(); ++i) {
            const QString relative = named.value(names.at(i).toLower());
            if (relative.isEmpty())
                result.notNamed << names.at(i);
            else if (isPicture(relative) && !jpegFileWithinLimits(source + names.at(i)))
                result.refusedPictures << names.at(i);
            else
                FileUtils::copyFile(source + names.at(i), incoming + relative, true);
            progress.bar(i + 1, names.size());
            if (progress.cancelled())
                throw AppError(QStringLiteral("l'importation a été interrompue."));
        }
    }
}

} // namespace

Encryption::Encryption(const Sealed::Header& header, const Secret& password)
    : m_safetyKey(password.copy(), header.cost), m_key(Sealed::Key::open(header, password))
{
}

Result run(const RecordSet& set, const QString& archive, MaintenanceProgress& progress, UpdateGauge* gauge,
           Encryption* encryption)
{
    const bool encrypted = ArchiveFile::isEncrypted(archive);
    const Sealed::Key* key = encryption ? &encryption->key() : nullptr;
    Sealed::PendingKey* safetyKey = encrypted && encryption ? &encryption->safetyKey() : nullptr;
    const auto staging = [&](const QString& stage, Result& result) {
        if (encrypted)
            authenticateEncrypted(archive, key, progress);
        const QList<Cabinet::Entry> entries = ArchiveFile::list(archive, key);
        const int database = databaseEntry(entries);
        const QString incoming = stage + kIncoming;
        const QString file = incoming + set.databaseName;
        std::unique_ptr<StagedCheck> check;
        QHash<int, QString> taken;
        progress.task(QStringLiteral("Décompression des fichiers ..."));
        // The database alone first, which says what else to take. One of
        // this version's is checked as soon as it is out, and its files taken
        // as the reading goes on, while the engine's check runs.
        ArchiveFile::extractInTwoSteps(
            archive, stage,
            [&](int index, const Cabinet::Entry&) {
                return index == database ? kIncoming + set.databaseName : QString();
            },
            [&]() -> Cabinet::NameFor {
                if (!ofThisVersion(file))
                    return [](int, const Cabinet::Entry&) { return QString(); };
                check = checkStaged(set, incoming, progress, gauge);
                check->whileChecking([&] { taken = filesToTake(file, entries, database, result); });
                progress.task(QStringLiteral("Décompression des fichiers ..."));
                return extractedAs(taken);
            },
            key, barOf(progress));
        // Another one is converted or brought up to date first, then its
        // files taken by a second reading.
        if (!check) {
            check = checkStaged(set, incoming, progress, gauge);
            check->whileChecking([&] {
                taken = filesToTake(file, entries, database, result);
                progress.task(QStringLiteral("Décompression des fichiers ..."));
                ArchiveFile::extractAs(archive, stage, extractedAs(taken), key, barOf(progress));
            });
        }
        check->whileChecking([&] { keepExtracted(stage, taken, entries, result); });
        return check;
    };
    return replaceWith(set, staging, BackupHistory::kRestore, archive, safetyKey, progress);
}

Result importWindowsDatabase(const RecordSet& set, const QString& jetFile, const QString& filesFolder,
                             MaintenanceProgress& progress, UpdateGauge* gauge)
{
    const auto staging = [&](const QString& stage, Result& result) {
        // Refused before anything is copied for nothing.
        WindowsDatabase::checkFile(jetFile);
        const QString incoming = stage + kIncoming;
        makeFolders(QFileInfo(incoming + set.databaseName).absolutePath());
        FileUtils::copyFile(jetFile, incoming + set.databaseName, false);
        std::unique_ptr<StagedCheck> check = checkStaged(set, incoming, progress, gauge);
        progress.task(QStringLiteral("Copie des images et des fichiers joints ..."));
        check->whileChecking([&] {
            stageWindowsFiles(set, FileUtils::withTrailingSeparator(filesFolder), stage, result, progress);
        });
        return check;
    };
    return replaceWith(set, staging, BackupHistory::kWindowsImport, jetFile, nullptr, progress);
}

QString Result::leftOutText() const
{
    const auto line = [](const QStringList& names, const QString& one, const QString& several) {
        constexpr int kShown = 5;
        QString listed = names.mid(0, kShown).join(QStringLiteral(", "));
        if (names.size() > kShown)
            listed += QStringLiteral(" et %1 autres").arg(names.size() - kShown);
        return QStringLiteral("- %1 %2 : %3")
            .arg(names.size())
            .arg(names.size() == 1 ? one : several, listed);
    };
    QStringList lines;
    if (!notNamed.isEmpty())
        lines << line(notNamed, QStringLiteral("fichier qu'aucune fiche ne nomme"),
                      QStringLiteral("fichiers qu'aucune fiche ne nomme"));
    if (!refusedPictures.isEmpty())
        lines << line(
            refusedPictures,
            QStringLiteral("image qui n'est pas une image JPEG lisible dans les limites du logiciel"),
            QStringLiteral("images qui ne sont pas des images JPEG lisibles dans les limites du logiciel"));
    if (lines.isEmpty())
        return {};
    return QStringLiteral("Ces fichiers de l'archive n'ont pas été restaurés :\r") +
           lines.join(QLatin1Char('\r'));
}

} // namespace Restore
