#include "FileUtils.h"

#include "Errors.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace FileUtils {

namespace {
QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

int openRetrying(const QByteArray& path, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

QString systemReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("le disque est plein");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case ENOENT:
        return QStringLiteral("fichier ou dossier introuvable");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EISDIR:
        return QStringLiteral("c'est un dossier et non un fichier");
    case ENAMETOOLONG:
        return QStringLiteral("le chemin est trop long");
    case EIO:
        return QStringLiteral("erreur de lecture ou d'écriture sur le disque");
    case EFBIG:
        return QStringLiteral("le fichier est trop grand");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers sont ouverts");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("le fichier est utilisé par un autre programme");
    case ELOOP:
        return QStringLiteral("trop de liens symboliques");
    default:
        return QStringLiteral("erreur système n° %1").arg(error);
    }
}

bool isDiskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

bool onReadOnlyDisk(const QString& path)
{
    struct statvfs disk = {};
    return ::statvfs(nativePath(path).constData(), &disk) == 0 && (disk.f_flag & ST_RDONLY) != 0;
}

QString shownPath(const QString& path)
{
    constexpr qsizetype head = 60;
    constexpr qsizetype tail = 100;
    if (path.size() <= head + tail + 1)
        return path;
    return path.left(head) + QChar(0x2026) + path.right(tail);
}

QString cannotWrite(const QString& path, int error)
{
    return QStringLiteral("Impossible d'écrire le fichier \"%1\" : %2.")
        .arg(shownPath(path), systemReason(error));
}

QString cannotRead(const QString& path, int error)
{
    return QStringLiteral("Impossible de lire le fichier \"%1\" : %2.")
        .arg(shownPath(path), systemReason(error));
}

QString executablePath()
{
    return QCoreApplication::applicationFilePath();
}

QString fromIniPath(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

QString withTrailingSeparator(const QString& folder)
{
    QString f = fromIniPath(folder);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

QString documentsFolder()
{
    return withTrailingSeparator(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString programsFolder()
{
    // The prefix the program is installed under: the parent of its bin/.
    const QDir folder = QFileInfo(executablePath()).absoluteDir();
    return withTrailingSeparator(folder.dirName() == QLatin1String("bin")
                                     ? QFileInfo(folder.absolutePath()).path()
                                     : folder.absolutePath());
}

QString temporaryFolder()
{
    return withTrailingSeparator(QDir::tempPath());
}

QStringList listFiles(const QString& folder, const QString& mask)
{
    QDir dir(folder);
    return dir.entryList({mask}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}

void copyFiles(const QString& sourceFolder, const QString& targetFolder, const QString& mask)
{
    for (const QString& name : listFiles(sourceFolder, mask))
        copyFile(sourceFolder + name, targetFolder + name, true);
}

void removeFile(const QString& path)
{
    if (::unlink(nativePath(path).constData()) == 0 || errno == ENOENT)
        return;
    throw FileError(QStringLiteral("Impossible de supprimer le fichier \"%1\" : %2.")
                        .arg(shownPath(path), systemReason(errno)));
}

QStringList removeFiles(const QStringList& paths)
{
    QStringList kept;
    for (const QString& path : paths) {
        try {
            removeFile(path);
        } catch (const FileError&) {
            kept << path;
        }
    }
    return kept;
}

qint64 fileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : 0;
}

void copyFile(const QString& source, const QString& target, bool overwrite)
{
    if (!overwrite && QFileInfo::exists(target))
        throw FileError(QStringLiteral("Le fichier \"%1\" existe déjà.").arg(shownPath(target)));
    const int in = openRetrying(nativePath(source), O_RDONLY);
    if (in < 0)
        throw FileError(cannotRead(source, errno));
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closeIn{in};
    AtomicFile out(target);
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileError(cannotRead(source, errno));
        if (n == 0)
            break;
        out.write(buffer, n);
    }
    out.commit();
}

AtomicFile::AtomicFile(const QString& target) : m_target(target), m_shown(target)
{
    // A file kept elsewhere through a link stays there; the link stays a link.
    const QFileInfo link(target);
    if (link.isSymLink() && !link.canonicalFilePath().isEmpty())
        m_target = link.canonicalFilePath();
    const QByteArray native = nativePath(m_target);
    struct stat existing;
    const bool exists = ::stat(native.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        fail(EISDIR);
    if (exists && ::access(native.constData(), W_OK) != 0)
        fail(errno);
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_partial = m_target + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                             QLatin1Char('0'));
        // 0666 under the user's umask, as any new file of theirs.
        m_fd = openRetrying(nativePath(m_partial), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (m_fd < 0 && (errno != EEXIST || attempt == 16)) {
            const int error = errno;
            m_partial.clear();
            fail(error);
        }
    }
    if (exists)
        ::fchmod(m_fd, existing.st_mode & 07777);
}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_partial.isEmpty())
        ::unlink(nativePath(m_partial).constData());
}

void AtomicFile::fail(int error)
{
    throw FileError(cannotWrite(m_shown, error));
}

void AtomicFile::write(const char* data, qint64 size)
{
    if (m_fd < 0)
        fail(EBADF);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno);
        data += n;
        size -= n;
    }
}

void AtomicFile::commit()
{
    if (m_fd < 0)
        fail(EBADF);
    // A full disk may only show when the data are flushed, or even closed.
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        fail(errno);
    if (std::rename(nativePath(m_partial).constData(), nativePath(m_target).constData()) != 0)
        fail(errno);
    m_partial.clear();
    syncFolder(QFileInfo(m_target).absolutePath());
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

QByteArray readFile(const QString& path, bool* exists)
{
    if (exists)
        *exists = false;
    const int fd = openRetrying(nativePath(path), O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw FileError(cannotRead(path, errno));
    }
    QByteArray bytes;
    char buffer[1 << 16];
    int error = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    if (error)
        throw FileError(cannotRead(path, error));
    if (exists)
        *exists = true;
    return bytes;
}

bool makeFolder(const QString& folder)
{
    QDir dir;
    return dir.exists(folder) || dir.mkdir(folder);
}

void syncFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || ::fsync(file.handle()) != 0)
        throw FileError(QStringLiteral("Impossible d'enregistrer le fichier \"%1\" sur le disque : %2")
                            .arg(path, file.errorString()));
}

// A folder that cannot be synced (some network file systems) is no reason to fail.
void syncFolder(const QString& folder)
{
    const int fd = openRetrying(nativePath(folder), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool syncedFileSystem(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::syncfs(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return synced;
}

void syncFileSystem(const QString& path)
{
    if (!syncedFileSystem(path))
        throw FileError(
            QStringLiteral("Impossible d'enregistrer les fichiers de \"%1\" sur le disque.").arg(path));
}

void startWritingBack(int fd)
{
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

struct PushingToDisk::State
{
    std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;
    std::thread thread;
};

PushingToDisk::PushingToDisk(std::function<void()> push, std::chrono::milliseconds period)
    : m_state(std::make_unique<State>())
{
    m_state->thread = std::thread([push = std::move(push), period, state = m_state.get()] {
        std::unique_lock lock(state->mutex);
        while (!state->stopped) {
            lock.unlock();
            const auto next = std::chrono::steady_clock::now() + period;
            push();
            lock.lock();
            state->stopping.wait_until(lock, next, [state] { return state->stopped; });
        }
    });
}

PushingToDisk::~PushingToDisk()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopped = true;
    }
    m_state->stopping.notify_all();
    m_state->thread.join();
}

QString withoutAccents(const QString& text)
{
    static const QString from = QStringLiteral("éèêëàâäùûüôöîïç");
    static const QString to = QStringLiteral("eeeeaaauuuooiic");
    QString result = text;
    for (QChar& c : result) {
        const qsizetype i = from.indexOf(c);
        if (i >= 0)
            c = to.at(i);
    }
    return result;
}

QString safeFileName(const QString& name)
{
    QString clean = name;
    for (QChar c : QStringLiteral("/\\:*?<>|\""))
        clean.replace(c, QLatin1Char('_'));
    return clean;
}

QString bareFileName(const QString& name)
{
    const QString bare = name.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    if (bare.isEmpty() || bare == QLatin1String(".") || bare == QLatin1String(".."))
        return QStringLiteral("Document");
    return bare;
}

QString typeDescription(const QString& fileName)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    // Without a type of its own, a name gets the catch-all binary type.
    if (type.isValid() && !type.isDefault() && !type.comment().isEmpty())
        return type.comment();
    return QFileInfo(fileName).suffix().toUpper() + QStringLiteral(" file");
}

QString sizeText(qint64 bytes)
{
    qint64 kilo = bytes / 1000;
    const qint64 rest = bytes % 1000;
    if (rest > 500 || (rest == 500 && kilo % 2 == 1))
        ++kilo;
    return QString::number(kilo) + QStringLiteral(" Ko");
}

} // namespace FileUtils
