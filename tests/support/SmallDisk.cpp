#include "SmallDisk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <sys/mount.h>
#include <unistd.h>

namespace {
QString filler(const QString& folder)
{
    return folder + QStringLiteral("/.filler");
}
} // namespace

SmallDisk::SmallDisk(const QString& folder, qint64 bytes) : m_folder(QDir::cleanPath(folder))
{
    QDir().mkpath(m_folder);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs", 0, options.constData()) == 0)
        m_mounted = true;
    else
        m_whyNot = QStringLiteral("mounting a small tmpfs is not allowed here (%1); it needs root with "
                                  "CAP_SYS_ADMIN")
                       .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

void SmallDisk::fill(qint64 leave)
{
    const int fd =
        ::open(QFile::encodeName(filler(m_folder)).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    ASSERT_GE(fd, 0);
    static const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    while (::write(fd, block, 1) > 0) {
    }
    ASSERT_EQ(errno, ENOSPC);
    if (leave > 0) {
        const off_t size = ::lseek(fd, 0, SEEK_END);
        ASSERT_EQ(::ftruncate(fd, size > leave ? size - leave : 0), 0);
    }
    ::close(fd);
}

void SmallDisk::release()
{
    QFile::remove(filler(m_folder));
}

qint64 SmallDisk::available() const
{
    return QStorageInfo(m_folder).bytesAvailable();
}

bool SmallDisk::makeReadOnly()
{
    return m_mounted && ::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs",
                                MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}
