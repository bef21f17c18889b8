#include "OrderlyClose.h"

#include "Errors.h"
#include "FileUtils.h"

#include <QFile>
#include <sys/stat.h>

namespace OrderlyClose {

namespace {

QByteArray textOf(const FileState& state)
{
    return QByteArrayLiteral("taille=") + QByteArray::number(state.size) + QByteArrayLiteral("\ninode=") +
           QByteArray::number(state.inode) + QByteArrayLiteral("\nmodification=") +
           QByteArray::number(state.modifiedNs) + QByteArrayLiteral("\nchangement=") +
           QByteArray::number(state.changedNs) + '\n';
}

} // namespace

FileState stateOf(const QString& file)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    const auto ns = [](const timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {qint64(info.st_size), quint64(info.st_ino), ns(info.st_mtim), ns(info.st_ctim)};
}

QString recordFileFor(const QString& databaseFile)
{
    return databaseFile + QStringLiteral(".fermeture");
}

bool take(const QString& databaseFile)
{
    const QString record = recordFileFor(databaseFile);
    QByteArray recorded;
    try {
        recorded = FileUtils::readFile(record);
        FileUtils::removeFile(record);
    } catch (const FileError&) {
        return false;
    }
    const FileState now = stateOf(databaseFile);
    return now.size >= 0 && recorded == textOf(now);
}

void record(const QString& databaseFile)
{
    const FileState now = stateOf(databaseFile);
    if (now.size < 0)
        return;
    try {
        FileUtils::writeFileAtomically(recordFileFor(databaseFile), textOf(now));
    } catch (const FileError&) {
        // The next start reads the whole file, as after a kill.
    }
}

void forget(const QString& databaseFile)
{
    FileUtils::removeFiles({recordFileFor(databaseFile)});
}

} // namespace OrderlyClose
