#include "RecordsLock.h"

#include "Errors.h"
#include "FileUtils.h"
#include "Product.h"

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <QFile>
#include <QSysInfo>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString currentUser()
{
    if (const passwd* entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(::geteuid());
}

// "pid\nuser\nhost\n", as the holder writes it.
RecordsLock::Holder parseHolder(const QByteArray& bytes)
{
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    RecordsLock::Holder holder;
    if (lines.size() < 3)
        return holder;
    holder.pid = lines.at(0).toLongLong();
    holder.user = lines.at(1).left(64);
    holder.host = lines.at(2).left(64);
    return holder;
}

} // namespace

QString RecordsLock::lockFileFor(const QString& databaseFile)
{
    return databaseFile + QStringLiteral(".lock");
}

RecordsLock::RecordsLock(const QString& databaseFile)
    : m_databaseFile(databaseFile), m_path(lockFileFor(databaseFile))
{
}

RecordsLock::~RecordsLock()
{
    if (m_fd < 0)
        return;
    // Removed while still locked: a session that opened it meanwhile finds,
    // once it has the lock, that the name is no longer its file and tries again.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd); // closing releases the lock
}

bool RecordsLock::acquire()
{
    if (m_fd >= 0)
        return true;
    const QByteArray path = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool writable = true;
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 && (errno == EACCES || errno == EROFS)) {
            // Another user's lock file can still be locked through a
            // read-only descriptor; it cannot be told who we are.
            writable = false;
            fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            // Records whose folder takes no file cannot be written from
            // here at all: the connection refuses them as read-only.
            if (fd < 0 && errno == ENOENT)
                return true;
        }
        if (fd < 0)
            throw FileError(QStringLiteral("Impossible de créer le fichier de verrou \"%1\" : %2.")
                                .arg(FileUtils::shownPath(m_path), FileUtils::systemReason(errno)));
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error != EWOULDBLOCK) {
                ::close(fd);
                throw FileError(QStringLiteral("Impossible de verrouiller le fichier \"%1\" : %2.")
                                    .arg(FileUtils::shownPath(m_path), FileUtils::systemReason(error)));
            }
            QByteArray bytes(512, '\0');
            const ssize_t got = ::pread(fd, bytes.data(), size_t(bytes.size()), 0);
            m_holder = parseHolder(bytes.left(got > 0 ? got : 0));
            ::close(fd);
            return false;
        }
        struct stat locked = {};
        struct stat named = {};
        if (::fstat(fd, &locked) != 0 || ::stat(path.constData(), &named) != 0 ||
            locked.st_ino != named.st_ino || locked.st_dev != named.st_dev) {
            ::close(fd); // its holder removed it between our open and our lock
            continue;
        }
        m_fd = fd;
        if (writable) {
            const QByteArray me = QByteArray::number(qint64(::getpid())) + '\n' + currentUser().toUtf8() +
                                  '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
            // Best effort: the lock itself is what keeps others out.
            const bool written =
                ::ftruncate(fd, 0) == 0 && ::pwrite(fd, me.constData(), size_t(me.size()), 0) == me.size();
            Q_UNUSED(written);
        }
        return true;
    }
    throw FileError(
        QStringLiteral("Impossible de verrouiller le fichier \"%1\".").arg(FileUtils::shownPath(m_path)));
}

QString RecordsLock::inUseMessage() const
{
    QString who;
    if (!m_holder.user.isEmpty() || !m_holder.host.isEmpty())
        who = QStringLiteral(" (utilisateur « %1 » sur l'ordinateur « %2 », processus %3)")
                  .arg(m_holder.user, m_holder.host)
                  .arg(m_holder.pid);
    return QStringLiteral(
               "Les données \"%1\" sont déjà ouvertes par %2 dans une autre session%3.\r\r"
               "Fermez le logiciel dans cette session avant de l'ouvrir ici : deux sessions sur les "
               "mêmes données pourraient les endommager.")
        .arg(FileUtils::shownPath(m_databaseFile), Product::name, who);
}
