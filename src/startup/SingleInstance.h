#pragma once

#include <memory>
#include <QLockFile>

// Keeps a second copy of the program from starting. The lock lives in the
// user's runtime folder; a lock whose owner cannot be shown to be alive (a
// process that died, an empty or damaged file) is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& name);
    // False when another running process holds the lock; FileError when the
    // lock file cannot be made at all.
    bool acquire();
    static QString lockPath(const QString& name);

private:
    std::unique_ptr<QLockFile> m_lock;
};
