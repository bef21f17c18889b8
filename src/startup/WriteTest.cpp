#include "WriteTest.h"

#include "FileUtils.h"
#include "Messages.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

QString writeTestMessage(const QString& productAndVersion, const QString& folder)
{
    return productAndVersion.toUpper() + QStringLiteral(" : EXECUTION IMPOSSIBLE") + QStringLiteral("\r\r") +
           QStringLiteral("Pour utiliser ce logiciel vous devez :") + QStringLiteral("\r\r") +
           QStringLiteral("  - Soit avoir un compte administrateur") + QStringLiteral("\r") +
           QStringLiteral("  - Soit avoir des droits en écriture sur le répertoire : ") +
           FileUtils::shownPath(folder) + QStringLiteral("\r\r");
}

QString diskFullMessage(const QString& productAndVersion, const QString& folder)
{
    return productAndVersion.toUpper() + QStringLiteral(" : EXECUTION IMPOSSIBLE") + QStringLiteral("\r\r") +
           QStringLiteral("Le disque qui contient le répertoire ") + FileUtils::shownPath(folder) +
           QStringLiteral(" est plein.\rLibérez de la place sur ce disque puis relancez le logiciel.");
}

namespace {
// The errno of the first step that failed, 0 when the line reached the disk.
int saveLine(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    static constexpr char line[] = "admin\r\n";
    int error = 0;
    if (::write(fd, line, sizeof line - 1) != ssize_t(sizeof line - 1))
        error = errno ? errno : ENOSPC; // a short write is a full disk
    else if (::fsync(fd) != 0 && errno != EINVAL)
        error = errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    return error;
}
} // namespace

bool writeTest(const QString& productAndVersion, const QString& filePath)
{
    errno = 0;
    const int error = saveLine(QFile::encodeName(filePath));
    QFile::remove(filePath);
    if (error == 0)
        return true;
    const QString folder = QFileInfo(filePath).path() + QLatin1Char('/');
    // A full disk is no matter of rights: saying so would send the user the wrong way.
    Messages::error(FileUtils::isDiskFull(error) ? diskFullMessage(productAndVersion, folder)
                                                 : writeTestMessage(productAndVersion, folder));
    return false;
}
