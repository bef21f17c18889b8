#pragma once

#include <QLockFile>
#include <memory>

// Keeps a second copy of the program from starting. The lock lives in the
// user's runtime folder; a lock left by a process that died is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& name);
    // False when another running process holds the lock.
    bool acquire();
    static QString lockPath(const QString& name);

private:
    std::unique_ptr<QLockFile> m_lock;
};
