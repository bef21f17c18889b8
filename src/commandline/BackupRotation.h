#pragma once

#include <QString>
#include <QStringList>

// Keeps a folder of nightly backups from growing without end.
namespace BackupRotation {

// The archives of `folder` (ending with '/') that the program named after
// their day (BackupArchive::proposedPathIn), newest day first. Any other
// file is none of them, whatever it holds.
QStringList datedArchives(const QString& folder);

// Removes all but the `keep` newest of those archives and returns what went.
// The archive just written (a name in the folder) counts as the newest
// whatever the days of the others, which a clock set wrong once may have
// put ahead of it. Throws FileError naming an archive that could not be
// removed.
QStringList keepNewest(const QString& folder, int keep, const QString& written);

} // namespace BackupRotation
