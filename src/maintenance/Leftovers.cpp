#include "Leftovers.h"

#include "BackupArchive.h"
#include "Compaction.h"
#include "Errors.h"
#include "FileUtils.h"
#include "Restore.h"
#include "SafetyArchive.h"

#include <QFileInfo>
#include <QStringList>

namespace Leftovers {

QString clearAtStart(const RecordSet& set)
{
    Restore::finishInterrupted(set);
    QStringList staying;
    if (QFileInfo::exists(Restore::stagingFolder(set)))
        staying << QStringLiteral(
                       "Le dossier \"%1\" d'une restauration interrompue n'a pas pu être supprimé.")
                       .arg(FileUtils::shownPath(Restore::stagingFolder(set)));
    const auto clear = [&staying](const auto& remove) {
        try {
            remove();
        } catch (const FileError& e) {
            staying << e.text();
        }
    };
    // Without the database, the scratch copy is left for the user to look at.
    if (QFileInfo(set.databaseFile()).isFile())
        clear([&set] { Compaction::removeLeftovers(set.databaseFile()); });
    clear([&set] { BackupArchive::removeInterrupted(set); });
    // The data a restore set aside get the safety archive that the end of
    // the process kept from being written, before anything else runs.
    if (QFileInfo(set.databaseFile()).isFile()) {
        try {
            SafetyArchive::finish(set);
        } catch (const AppError& e) {
            staying << e.text();
        }
    }
    return staying.join(QLatin1Char('\r'));
}

} // namespace Leftovers
