#include "BackupArchive.h"

#include "ArchiveFile.h"
#include "Compaction.h"
#include "Errors.h"
#include "FileUtils.h"
#include "StoredFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace BackupArchive {

namespace {

QString partialSuffix()
{
    return QStringLiteral(".partial");
}

QString inProgressNote(const RecordSet& set)
{
    return set.dataFolder + QStringLiteral(".sauvegarde-en-cours");
}

// Names the partial archive where the next start looks, wherever the
// target is. One write of a few bytes: a kill leaves it whole or absent.
void writeNote(const QString& note, const QString& partial)
{
    const QByteArray bytes = QFile::encodeName(partial);
    const int fd =
        ::open(QFile::encodeName(note).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    const int why = errno;
    if (fd >= 0)
        ::close(fd);
    if (!written)
        throw FileError(FileUtils::cannotWrite(note, why));
}

const QString kProposedPrefix = QStringLiteral("BRIVOLINE_ACCESS_BACKUP_");
const QString kProposedDay = QStringLiteral("dd_MM_yyyy");
const QString kArchiveSuffix = QStringLiteral(".bkp");

} // namespace

QString proposedPath(const RecordSet& set, const QDate& day)
{
    return proposedPathIn(set.backupFolder(), day);
}

QString proposedPathIn(const QString& folder, const QDate& day)
{
    return folder + kProposedPrefix + day.toString(kProposedDay) + kArchiveSuffix;
}

QDate dayOfProposedName(const QString& fileName)
{
    if (!fileName.startsWith(kProposedPrefix) || !fileName.endsWith(kArchiveSuffix))
        return {};
    const QString day = fileName.mid(kProposedPrefix.size(),
                                     fileName.size() - kProposedPrefix.size() - kArchiveSuffix.size());
    // QDate reads "1_2_2026" for that format too: only the name it writes counts.
    const QDate read = QDate::fromString(day, kProposedDay);
    return read.isValid() && read.toString(kProposedDay) == day ? read : QDate();
}

QString partialPath(const QString& target)
{
    return target + partialSuffix();
}

QList<Cabinet::Member> members(const RecordSet& set)
{
    QList<Cabinet::Member> list{{set.databaseFile(), kDatabaseEntry}};
    for (const StoredFiles::Folder& folder : StoredFiles::folders())
        for (const QString& name : FileUtils::listFiles(folder.in(set.databaseFolder), folder.mask))
            list << Cabinet::Member{folder.in(set.databaseFolder) + name, name};
    return list;
}

void write(const RecordSet& set, const QString& target, MaintenanceProgress& progress, const Sealed::Key* key)
{
    const QList<Cabinet::Member> list = members(set);
    // Renaming the archive over a file it holds would lose that file.
    const QString absoluteTarget = QFileInfo(target).absoluteFilePath();
    for (const Cabinet::Member& m : list)
        if (QFileInfo(m.path).absoluteFilePath() == absoluteTarget ||
            (QFileInfo::exists(target) &&
             QFileInfo(m.path).canonicalFilePath() == QFileInfo(target).canonicalFilePath()))
            throw FileError(
                QStringLiteral("La sauvegarde ne peut pas remplacer le fichier \"%1\", qui fait partie des "
                               "données sauvegardées.")
                    .arg(FileUtils::shownPath(target)));
    // Where each member's bytes end, to name the file being compressed.
    QList<qint64> ends;
    qint64 total = 0;
    for (const Cabinet::Member& m : list)
        ends << (total += QFileInfo(m.path).size());
    const int pictures = int(list.size()) - 1;
    progress.bar(0, pictures);
    int shown = -1;
    const auto compressing = [&](qint64 done, qint64) {
        int index = shown < 0 ? 0 : shown;
        while (index + 1 < ends.size() && ends.at(index) <= done)
            ++index;
        if (index != shown) {
            shown = index;
            progress.task(QStringLiteral("Compression : ") + list.at(index).name);
            progress.bar(index, pictures);
        }
        return true;
    };

    const QString partial = partialPath(target);
    const QString note = inProgressNote(set);
    try {
        // A partial file of that name can only be left by an interrupted
        // backup of this very target: never a finished archive.
        QFile::remove(partial);
        writeNote(note, partial);
        ArchiveFile::create(partial, list, key, compressing);
        progress.task(QStringLiteral("Vérification de la sauvegarde"));
        progress.bar(0, total);
        ArchiveFile::verify(partial, list, key, [&progress](qint64 done, qint64 all) {
            progress.bar(done, all);
            return true;
        });
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
            throw FileError(QStringLiteral("Impossible d'enregistrer la sauvegarde \"%1\" : %2.")
                                .arg(FileUtils::shownPath(target), FileUtils::systemReason(errno)));
    } catch (...) {
        QFile::remove(partial);
        QFile::remove(note);
        throw;
    }
    FileUtils::syncFolder(QFileInfo(target).absolutePath());
    QFile::remove(note);
    progress.bar(pictures, pictures);
}

void removeInterrupted(const RecordSet& set)
{
    const QString note = inProgressNote(set);
    bool noted = false;
    const QString partial = QFile::decodeName(FileUtils::readFile(note, &noted));
    if (noted) {
        if (partial.endsWith(partialSuffix()) && QFileInfo::exists(partial))
            FileUtils::removeFile(partial);
        FileUtils::removeFile(note);
    }
    // Those of the program's own names in Backup/, whoever left them.
    for (const QString& name :
         FileUtils::listFiles(set.backupFolder(), QStringLiteral("BRIVOLINE_ACCESS_*.bkp") + partialSuffix()))
        FileUtils::removeFile(set.backupFolder() + name);
}

void backup(const RecordSet& set, const QString& target, MaintenanceProgress& progress,
            Sealed::PendingKey* key)
{
    // The compaction checks the copy it puts in place as a restore will
    // check the archive's database.
    Compaction::compactInPlace(set.databaseFile(), Compaction::Check::Thorough);
    write(set, target, progress, key ? &key->get() : nullptr);
}

} // namespace BackupArchive
