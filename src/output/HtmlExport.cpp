#include "HtmlExport.h"

#include "Errors.h"
#include "FileUtils.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <unistd.h>

// The working folder of the HTML pages, the writing of its files, and a
// page's copy with the files it refers to.
namespace HtmlExport {

namespace {

QString cantPrepare(const QString& folder, int error)
{
    return QStringLiteral("Impossible de préparer le dossier \"%1\" : %2.\rLa page HTML n'a pas été créée.")
        .arg(folder, FileUtils::systemReason(error));
}

} // namespace

QString workingFolder(const QString& dataFolder)
{
    return dataFolder + QStringLiteral("Html/Temp/");
}

QString prepareFolder(const QString& dataFolder)
{
    const QString html = dataFolder + QStringLiteral("Html/");
    const QString temp = workingFolder(dataFolder);
    for (const QString& folder : {html, temp}) {
        if (!FileUtils::makeFolder(folder) || !QFileInfo(folder).isDir()) {
            const int error =
                QFileInfo::exists(folder.chopped(1)) && !QFileInfo(folder).isDir() ? ENOTDIR : errno;
            throw FileError(cantPrepare(folder, error ? error : EACCES));
        }
    }
    QStringList earlier;
    for (const char* mask : {"*.jpg", "*.bmp", "*.htm"})
        for (const QString& name : FileUtils::listFiles(temp, QString::fromLatin1(mask)))
            earlier << temp + name;
    if (!FileUtils::removeFiles(earlier).isEmpty())
        throw FileError(cantPrepare(temp, EACCES));
    // A folder that takes no new file says so now, before any page is half made.
    const QString probe = temp + QStringLiteral(".brivoline-write-test");
    const int fd = ::open(QFile::encodeName(probe).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        throw FileError(cantPrepare(temp, errno));
    ::close(fd);
    ::unlink(QFile::encodeName(probe).constData());
    return temp;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        throw FileError(FileUtils::cannotWrite(path, errno));
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(native.constData());
            throw FileError(FileUtils::cannotWrite(path, error));
        }
        done += n;
    }
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        ::unlink(native.constData());
        throw FileError(FileUtils::cannotWrite(path, error));
    }
}

QStringList referencedFiles(const QString& folder, const QString& page)
{
    static const QRegularExpression reference(QStringLiteral(R"re((?:src|href)="([^"]*)")re"));
    QStringList found;
    QSet<QString> seen{page};
    QStringList pending{page};
    while (!pending.isEmpty()) {
        const QString current = pending.takeFirst();
        QFile file(folder + current);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(file.readAll());
        for (auto it = reference.globalMatch(html); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const Html::Popup popup = Html::parsePopupLink(m.captured(1));
            const QString target =
                popup.page.isEmpty() ? QUrl::fromPercentEncoding(m.captured(1).toUtf8()) : popup.page;
            // Only files of the folder itself: no address, no folder part.
            if (target.isEmpty() || target.contains(QLatin1Char(':')) || target.contains(QLatin1Char('/')) ||
                target.contains(QLatin1Char('\\')) || target == QLatin1String("..") ||
                seen.contains(target) || !QFileInfo(folder + target).isFile())
                continue;
            seen.insert(target);
            found << target;
            if (target.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
                pending << target;
        }
    }
    return found;
}

void saveCopy(const QString& page, const QString& target)
{
    const QFileInfo source(page);
    const QString folder = source.absolutePath() + QLatin1Char('/');
    const QString targetFolder = QFileInfo(target).absolutePath() + QLatin1Char('/');
    if (QFileInfo(targetFolder) != QFileInfo(folder))
        for (const QString& name : referencedFiles(folder, source.fileName()))
            FileUtils::copyFile(folder + name, targetFolder + name, true);
    if (QFileInfo(target) != source)
        FileUtils::copyFile(page, target, true);
}

} // namespace HtmlExport
