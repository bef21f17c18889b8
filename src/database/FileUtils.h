#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <QByteArray>
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
// Copies every matching file, overwriting. Stops at the first file that
// cannot be copied (FileError); the files copied before it stay.
void copyFiles(const QString& sourceFolder, const QString& targetFolder, const QString& mask);
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

// A file written beside its final name and renamed over it only once every
// byte has reached the disk: any failure (a full disk included) leaves the
// previous file, or none, and throws FileError naming the file and the reason.
// A target that exists read-only is refused, as an editor would.
class AtomicFile
{
public:
    explicit AtomicFile(const QString& target);
    ~AtomicFile(); // drops the partial file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const char* data, qint64 size);
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    // Flushes to the disk and puts the file in place.
    void commit();

private:
    [[noreturn]] void fail(int error);
    QString m_target; // a link's target, where the file really is
    QString m_shown;  // as the caller named it, for messages
    QString m_partial;
    int m_fd = -1;
};
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Reads a whole file. A missing file reads as empty with *exists false; one
// that exists but cannot be read (rights, a folder of that name) throws
// FileError: it is never to be taken for a missing one.
QByteArray readFile(const QString& path, bool* exists = nullptr);

// Messages about files, in French, for an errno value.
QString systemReason(int error); // "le disque est plein"
bool isDiskFull(int error);
// Whether the file system holding the path is mounted read-only.
bool onReadOnlyDisk(const QString& path);
QString cannotWrite(const QString& path, int error);
QString cannotRead(const QString& path, int error);
// A path short enough for a message box: a long one keeps its start and end.
QString shownPath(const QString& path);
// Creates a folder (one level); true when it exists afterwards.
bool makeFolder(const QString& folder);
// Forces a file's content to the disk. Throws FileError.
void syncFile(const QString& path);
// Forces a folder's entries (names created, renamed or removed) to the disk,
// so a rename that must come before a later change is not lost in a crash.
// Best effort: a file system that cannot do it is left as it is.
void syncFolder(const QString& folder);
// Forces every pending write of the file system that holds the path to the
// disk: one call after many files were written, where a call for each file
// would cost a disk flush each. Throws FileError.
void syncFileSystem(const QString& path);
// The same, telling whether it was done instead of throwing.
bool syncedFileSystem(const QString& path);
// Starts what was written to the open file on its way to the disk without
// waiting for it, so that a later sync finds little left to write.
void startWritingBack(int fd);
// While it lives, a thread runs `push` over and over, at most once every
// `period` (at once again when a run took longer), so that what is being
// written goes on its way to the disk meanwhile and the sync that must
// follow finds little left. That sync stays what makes the data durable and
// reports any failure; `push` must not throw.
class PushingToDisk
{
public:
    PushingToDisk(std::function<void()> push, std::chrono::milliseconds period);
    ~PushingToDisk();
    PushingToDisk(const PushingToDisk&) = delete;
    PushingToDisk& operator=(const PushingToDisk&) = delete;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
QString withoutAccents(const QString& text);
// A name that is safe as a file name: each of / \ : * ? < > | and " becomes "_".
QString safeFileName(const QString& name);
// The name without any folder part ('/' or '\'), never empty, "." or "..":
// what a copy of a file named from outside may be written under.
QString bareFileName(const QString& name);
// The desktop's name for the file's type, found by its extension; without
// one, the extension in upper case followed by " file".
QString typeDescription(const QString& fileName);
// Bytes / 1000 rounded to the nearest integer, a half to the even
// neighbour, followed by " Ko": an attached file's size as shown.
QString sizeText(qint64 bytes);
} // namespace FileUtils
