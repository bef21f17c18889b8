// Archives read back and compared, byte for byte, with the files they were
// made of: what a backup does before it puts its archive in place.
#include "Cabinet.h"
#include "CabinetBlocks.h"
#include "FileDescriptor.h"
#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace Cabinet {

namespace {

// The members' bytes, one after the other, compared with what comes out of
// the archive.
class Comparison
{
public:
    explicit Comparison(const QList<Member>& members) : m_members(members) { m_source.resize(kBlock); }

    // Compares the next `count` bytes; throws naming the member that differs.
    void compare(const unsigned char* data, std::size_t count, const QList<qint64>& sizes)
    {
        while (count > 0) {
            while (m_left == 0) {
                if (m_index + 1 >= m_members.size())
                    throw Failure{0, QStringLiteral("elle contient plus que les fichiers archivés.")};
                openNext(sizes);
            }
            const std::size_t take = std::size_t(std::min<qint64>(qint64(count), m_left));
            const ssize_t n = readFully(m_fd->get(), m_source.data(), take);
            if (n != ssize_t(take))
                throw Failure{0, QStringLiteral("le fichier \"%1\" a changé depuis son archivage.")
                                     .arg(m_members.at(m_index).path)};
            if (std::memcmp(m_source.data(), data, take) != 0)
                throw Failure{0, QStringLiteral("le fichier \"%1\" n'y est pas identique à l'original.")
                                     .arg(m_members.at(m_index).name)};
            m_left -= qint64(take);
            data += take;
            count -= take;
        }
    }
    // Passes over the empty members that end a folder.
    void finishFolder(int lastIndex, const QList<qint64>& sizes)
    {
        if (m_index > lastIndex)
            throw Failure{0, QStringLiteral("elle est endommagée.")};
        if (m_left != 0)
            throw Failure{
                0,
                QStringLiteral("il y manque une partie du fichier \"%1\".").arg(m_members.at(m_index).name)};
        while (m_index < lastIndex)
            openNext(sizes);
        if (m_left != 0)
            throw Failure{
                0,
                QStringLiteral("il y manque une partie du fichier \"%1\".").arg(m_members.at(m_index).name)};
    }

private:
    void openNext(const QList<qint64>& sizes)
    {
        ++m_index;
        m_fd = std::make_unique<FileDescriptor>(openForReading(m_members.at(m_index).path));
        if (m_fd->get() < 0)
            throw Failure{0, QStringLiteral("le fichier \"%1\" ne peut pas être relu : %2.")
                                 .arg(m_members.at(m_index).path, FileUtils::systemReason(errno))};
        m_left = sizes.at(m_index);
    }

    const QList<Member>& m_members;
    std::vector<unsigned char> m_source;
    std::unique_ptr<FileDescriptor> m_fd;
    int m_index = -1;
    qint64 m_left = 0;
};

// The directory holds exactly the members, in order, each folder's files
// one after the other: returns their sizes.
QList<qint64> sizesAgainst(const CabinetFormat::Directory& directory, const QList<Member>& members)
{
    if (directory.files.size() != members.size())
        throw Failure{0, QStringLiteral("elle contient %1 fichiers au lieu de %2.")
                             .arg(directory.files.size())
                             .arg(members.size())};
    QList<qint64> sizes;
    for (int i = 0; i < members.size(); ++i) {
        const CabinetFormat::File& entry = directory.files.at(i);
        const qint64 size = QFileInfo(members.at(i).path).size();
        if (entry.rawName != storedName(members.at(i).name) || qint64(entry.size) != size)
            throw Failure{
                0, QStringLiteral("le fichier \"%1\" n'y figure pas tel quel.").arg(members.at(i).name)};
        // Each folder holds its files one after the other, in their order.
        const bool continues = i > 0 && directory.files.at(i - 1).folder == entry.folder;
        const qint64 expectedOffset =
            continues ? qint64(directory.files.at(i - 1).offset) + directory.files.at(i - 1).size : 0;
        if (entry.offset != expectedOffset || (i > 0 && entry.folder < directory.files.at(i - 1).folder))
            throw Failure{0, QStringLiteral("ses fichiers ne sont pas rangés comme ils ont été écrits.")};
        sizes << size;
    }
    return sizes;
}

void compareContent(const CabinetFormat::Directory& directory, Bytes& in, const QList<Member>& members)
{
    const QList<qint64> sizes = sizesAgainst(directory, members);
    Comparison comparison(members);
    int lastOfFolder = -1;
    decodeBlocks(
        directory, in,
        [&](const unsigned char* data, std::size_t count) {
            comparison.compare(data, count, sizes);
            return true;
        },
        [&](int f) {
            while (lastOfFolder + 1 < directory.files.size() &&
                   directory.files.at(lastOfFolder + 1).folder == f)
                ++lastOfFolder;
            comparison.finishFolder(lastOfFolder, sizes);
        });
    if (lastOfFolder != directory.files.size() - 1)
        throw Failure{0, QStringLiteral("elle est endommagée.")};
}

} // namespace

void verify(const QString& archive, const QList<Member>& members, const Progress& progress)
{
    FileDescriptor fd(openForReading(archive));
    if (fd.get() < 0)
        throw CabinetError(QStringLiteral("Impossible de relire l'archive \"%1\" : %2.")
                               .arg(archive, FileUtils::systemReason(errno)));
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw CabinetError(QStringLiteral("Impossible de relire l'archive \"%1\".").arg(archive));
    const CabinetFormat::Directory directory = CabinetFormat::readDirectory(file, file.size(), archive);
    Meter meter(progress, file.size());
    try {
        Input in(fd.get(), meter);
        compareContent(directory, in, members);
    } catch (const Failure& failure) {
        throw CabinetError(QStringLiteral("L'archive \"%1\" ne correspond pas aux fichiers archivés : %2")
                               .arg(archive, reasonOf(failure)));
    }
    meter.finish();
}

void verify(Source& source, const QList<Member>& members, const Progress& progress)
{
    QByteArray bytes;
    const CabinetFormat::Directory directory = directoryOf(source, bytes);
    Meter meter(progress, source.size());
    try {
        SourceBytes in(source, bytes.size(), meter);
        compareContent(directory, in, members);
    } catch (const Failure& failure) {
        throw CabinetError(QStringLiteral("L'archive \"%1\" ne correspond pas aux fichiers archivés : %2")
                               .arg(source.displayName(), reasonOf(failure)));
    }
    meter.finish();
}

} // namespace Cabinet
