#include "SingleInstance.h"

#include "Errors.h"
#include "FileUtils.h"

#include <QDir>
#include <QStandardPaths>

QString SingleInstance::lockPath(const QString& name)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + name + QStringLiteral(".lock");
}

SingleInstance::SingleInstance(const QString& name) : m_lock(std::make_unique<QLockFile>(lockPath(name)))
{
    // Held for the life of the process, however long: never stale by age.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    // tryLock removes a lock whose owning process no longer exists.
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() == QLockFile::PermissionError || m_lock->error() == QLockFile::UnknownError)
        throw FileError(
            QStringLiteral("Impossible de créer le fichier de verrou \"%1\"%2.")
                .arg(FileUtils::shownPath(m_lock->fileName()), m_lock->error() == QLockFile::PermissionError
                                                                   ? QStringLiteral(" : accès refusé")
                                                                   : QString()));
    // A lock that names no owner (a process killed between creating the file
    // and writing its id, or a damaged file) cannot show that anyone holds
    // it. Removing it succeeds only when no live process keeps it open.
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock->getLockInfo(&pid, &host, &application))
        return false;
    return m_lock->removeStaleLockFile() && m_lock->tryLock(0);
}
