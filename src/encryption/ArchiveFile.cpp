#include "ArchiveFile.h"

#include "FileDescriptor.h"
#include "FileUtils.h"
#include "SealedStreams.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <unistd.h>

namespace ArchiveFile {
namespace {

const Sealed::Key& keyFor(const QString& path, const Sealed::Key* key)
{
    if (!key)
        throw AppError(QStringLiteral("La sauvegarde \"%1\" est chiffrée : son mot de passe est nécessaire.")
                           .arg(FileUtils::shownPath(path)));
    return *key;
}

} // namespace

bool isEncrypted(const QString& path)
{
    return Sealed::isSealed(path);
}

void create(const QString& path, const QList<Cabinet::Member>& members, const Sealed::Key* key,
            const Cabinet::Progress& progress, std::uint32_t chunkSize)
{
    if (!key) {
        Cabinet::create(path, members, progress);
        return;
    }
    const QByteArray native = QFile::encodeName(path);
    FileDescriptor fd(::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        throw CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\" : %2.")
                               .arg(path, FileUtils::systemReason(errno)));
    try {
        Sealed::Writer writer(path, fd.get(), *key, chunkSize);
        Cabinet::create(writer, members, progress);
        if (!fd.close())
            throw CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\" : %2.")
                                   .arg(path, FileUtils::systemReason(errno)));
    } catch (...) {
        ::unlink(native.constData());
        throw;
    }
}

qint64 largestSize(const QString& path, const QList<Cabinet::Member>& members, bool encrypted)
{
    const qint64 cabinet = Cabinet::largestSize(path, members);
    return encrypted ? Sealed::largestSealedSize(cabinet) : cabinet;
}

void verify(const QString& path, const QList<Cabinet::Member>& members, const Sealed::Key* key,
            const Cabinet::Progress& progress)
{
    if (!isEncrypted(path)) {
        Cabinet::verify(path, members, progress);
        return;
    }
    Sealed::Reader reader(path, keyFor(path, key));
    Cabinet::verify(reader, members, progress);
}

QList<Cabinet::Entry> list(const QString& path, const Sealed::Key* key)
{
    if (!isEncrypted(path))
        return Cabinet::list(path);
    Sealed::Reader reader(path, keyFor(path, key));
    return Cabinet::list(reader);
}

void authenticate(const QString& path, const Sealed::Key* key, const Cabinet::Progress& progress)
{
    if (!isEncrypted(path))
        return;
    Sealed::Reader reader(path, keyFor(path, key));
    reader.checkAll(progress);
}

void extractAs(const QString& path, const QString& folder, const Cabinet::NameFor& nameFor,
               const Sealed::Key* key, const Cabinet::Progress& progress)
{
    if (!isEncrypted(path)) {
        Cabinet::extractAs(path, folder, nameFor, progress);
        return;
    }
    Sealed::Reader reader(path, keyFor(path, key));
    Cabinet::extractAs(reader, folder, nameFor, progress);
}

void extractInTwoSteps(const QString& path, const QString& folder, const Cabinet::NameFor& first,
                       const Cabinet::NameLater& then, const Sealed::Key* key,
                       const Cabinet::Progress& progress)
{
    QHash<int, QString> passed;
    if (!isEncrypted(path)) {
        passed = Cabinet::extractInTwoSteps(path, folder, first, then, progress);
    } else {
        Sealed::Reader reader(path, keyFor(path, key));
        passed = Cabinet::extractInTwoSteps(reader, folder, first, then, progress);
    }
    if (!passed.isEmpty())
        extractAs(
            path, folder, [&passed](int index, const Cabinet::Entry&) { return passed.value(index); }, key,
            progress);
}

} // namespace ArchiveFile
