#pragma once

#include <QString>

// A small tmpfs mounted on a folder for the life of the object, to run out of
// room for real. Mounting needs root (CAP_SYS_ADMIN); where it is refused,
// mounted() is false and whyNot() says why, for the test to skip.
class SmallDisk
{
public:
    SmallDisk(const QString& folder, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    // Fills the disk with a filler file, leaving about `leave` bytes free.
    void fill(qint64 leave = 0);
    // Removes the filler.
    void release();
    qint64 available() const;
    // Mounts it again read-only, as a write-protected drive is; true when done.
    bool makeReadOnly();

private:
    QString m_folder;
    bool m_mounted = false;
    QString m_whyNot;
};
