#include "BackupRotation.h"

#include "BackupArchive.h"
#include "FileUtils.h"

#include <algorithm>
#include <QDir>
#include <QFileInfo>

namespace BackupRotation {

QStringList datedArchives(const QString& folder)
{
    struct Dated
    {
        QString name;
        QDate day;
    };
    QList<Dated> found;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        if (const QDate day = BackupArchive::dayOfProposedName(file.fileName()); day.isValid())
            found.append({file.fileName(), day});
    std::sort(found.begin(), found.end(), [](const Dated& a, const Dated& b) { return a.day > b.day; });
    QStringList names;
    for (const Dated& d : found)
        names << d.name;
    return names;
}

QStringList keepNewest(const QString& folder, int keep, const QString& written)
{
    QStringList removed;
    QStringList archives = datedArchives(folder);
    if (archives.removeAll(written) > 0)
        archives.prepend(written);
    for (const QString& name : archives.mid(keep)) {
        FileUtils::removeFile(folder + name);
        removed << folder + name;
    }
    if (!removed.isEmpty())
        FileUtils::syncFolder(folder);
    return removed;
}

} // namespace BackupRotation
