#pragma once

#include <QString>
#include <QStringList>

// Small file-system helpers shared by the whole program. Folders end with '/'.
namespace FileUtils {
QString executablePath();
// Appends '/' unless the folder already ends with '/' or '\'; '\' separators become '/'.
QString withTrailingSeparator(const QString& folder);
// A path read from an ini file, with Windows separators turned into '/'.
QString fromIniPath(const QString& path);
QString documentsFolder();
QString programsFolder();
QString temporaryFolder();
// Names (without folder) of the files matching the mask, sub-folders left
// out, sorted without regard to case; masks match without regard to case.
QStringList listFiles(const QString& folder, const QString& mask);
// Copies every matching file, overwriting; a file that cannot be copied is skipped.
// Returns the number copied.
int copyFiles(const QString& sourceFolder, const QString& targetFolder, const QString& mask);
// Removes a file the program stored; a missing file counts as removed.
// Throws FileError when the file stays, so no caller reports a removal that
// did not happen.
void removeFile(const QString& path);
// Removes each file, carrying on past failures; returns the files that stay.
QStringList removeFiles(const QStringList& paths);
qint64 fileSize(const QString& path);
// Copies a file so that the target appears only complete. Never replaces an
// existing target unless asked. Throws FileError.
void copyFile(const QString& source, const QString& target, bool overwrite);
// Creates a folder (one level); true when it exists afterwards.
bool makeFolder(const QString& folder);
QString withoutAccents(const QString& text);
// A name that is safe as a file name: each of / \ : * ? < > | and " becomes "_".
QString safeFileName(const QString& name);
} // namespace FileUtils
