#include "SingleInstance.h"

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
    return m_lock->tryLock(0);
}
