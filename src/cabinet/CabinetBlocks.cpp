#include "CabinetBlocks.h"

#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QBuffer>
#include <QFile>
#include <unistd.h>
#include <zlib.h>

namespace Cabinet {

namespace {

// The cabinet checksum: little-endian 32-bit words XORed, the last partial
// word taken high byte first.
std::uint32_t checksum(const unsigned char* p, std::size_t count, std::uint32_t seed)
{
    std::uint32_t sum = seed;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4)
        sum ^= get32(p + i);
    std::uint32_t tail = 0;
    for (; i < count; ++i)
        tail = tail << 8 | p[i];
    return sum ^ tail;
}

class BlockDecoder
{
public:
    BlockDecoder()
    {
        std::memset(&m_stream, 0, sizeof m_stream);
        if (inflateInit2(&m_stream, -MAX_WBITS) != Z_OK)
            throw Failure{0, QStringLiteral("mémoire insuffisante.")};
    }
    ~BlockDecoder() { inflateEnd(&m_stream); }
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    void startFolder() { m_previous = nullptr; }

    // Decodes one MS-ZIP block, which must come out exactly `expected`
    // bytes long; the block before is its dictionary. Returns where its
    // bytes are: within `in` for a block stored as it is (how incompressible
    // files such as JPEG pictures are written), else in `out`. Both must
    // stay as they are until the next block is decoded; nullptr when damaged.
    const unsigned char* decode(const unsigned char* in, int count, unsigned char* out, int expected)
    {
        if (count < 2 || in[0] != 'C' || in[1] != 'K')
            return nullptr;
        const unsigned char* decoded = stored(in, count, expected);
        if (!decoded) {
            inflateReset(&m_stream);
            if (m_previous && inflateSetDictionary(&m_stream, m_previous, unsigned(m_previousSize)) != Z_OK)
                return nullptr;
            m_stream.next_in = const_cast<unsigned char*>(in + 2);
            m_stream.avail_in = unsigned(count - 2);
            m_stream.next_out = out;
            m_stream.avail_out = unsigned(expected);
            if (inflate(&m_stream, Z_FINISH) != Z_STREAM_END || m_stream.total_out != unsigned(expected))
                return nullptr;
            decoded = out;
        }
        m_previous = decoded;
        m_previousSize = expected;
        return decoded;
    }

private:
    // The bytes of a block that is one final stored deflate block of
    // exactly `expected` bytes, read in place; nullptr for any other block.
    static const unsigned char* stored(const unsigned char* in, int count, int expected)
    {
        if (count != kStoredOverhead + expected || in[2] != 1 || get16(in + 3) != std::uint32_t(expected) ||
            get16(in + 5) != (~std::uint32_t(expected) & 0xffff))
            return nullptr;
        return in + kStoredOverhead;
    }

    z_stream m_stream;
    const unsigned char* m_previous = nullptr;
    int m_previousSize = 0;
};

} // namespace

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

std::uint32_t blockChecksum(const unsigned char* header, const unsigned char* data, std::size_t count)
{
    return checksum(header + 4, 4, checksum(data, count, 0));
}

QString reasonOf(const Failure& failure)
{
    return failure.text.isEmpty() ? FileUtils::systemReason(failure.error) + QLatin1Char('.') : failure.text;
}

int openForReading(const QString& path)
{
    int fd;
    do
        fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

ssize_t readFully(int fd, unsigned char* into, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, into + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return ssize_t(done);
}

void writeAll(int fd, const unsigned char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Failure{n < 0 ? errno : EIO, {}};
        bytes += n;
        count -= std::size_t(n);
    }
}

QByteArray storedName(const QString& name)
{
    return QString(CabinetFormat::safeRelativePath(name))
        .replace(QLatin1Char('/'), QLatin1Char('\\'))
        .toUtf8();
}

bool Bytes::skip(std::size_t count)
{
    unsigned char scrap[256];
    while (count > 0) {
        const std::size_t take = std::min(count, sizeof scrap);
        if (!read(scrap, take))
            return false;
        count -= take;
    }
    return true;
}

Input::Input(int fd, Meter& meter) : m_fd(fd), m_meter(meter)
{
    m_buffer.resize(kIoSize);
}

void Input::moveTo(qint64 offset)
{
    m_offset = offset;
    m_start = m_end = 0;
}

bool Input::read(unsigned char* into, std::size_t count)
{
    while (count > 0) {
        if (m_start == m_end && !refill())
            return false;
        const std::size_t take = std::min(count, m_end - m_start);
        std::memcpy(into, m_buffer.data() + m_start, take);
        m_start += take;
        into += take;
        count -= take;
    }
    return true;
}

bool Input::refill()
{
    const ssize_t n = ::pread(m_fd, m_buffer.data(), m_buffer.size(), m_offset);
    if (n < 0 && errno != EINTR)
        throw Failure{errno, {}};
    if (n <= 0)
        return n < 0 && refill();
    m_offset += n;
    m_start = 0;
    m_end = std::size_t(n);
    if (!m_meter.advance(m_offset))
        throw Failure{0, QStringLiteral("opération interrompue.")};
    return true;
}

SourceBytes::SourceBytes(Source& source, qint64 start, Meter& meter)
    : m_source(source), m_meter(meter), m_position(start)
{
}

bool SourceBytes::read(unsigned char* into, std::size_t count)
{
    const std::size_t n = m_source.read(into, count);
    m_position += qint64(n);
    if (!m_meter.advance(m_position))
        throw Failure{0, QStringLiteral("opération interrompue.")};
    return n == count;
}

void SourceBytes::moveTo(qint64 offset)
{
    if (offset != m_position)
        throw Failure{0, QStringLiteral("ses dossiers ne se suivent pas comme ce logiciel les écrit.")};
}

CabinetFormat::Directory directoryOf(Source& source, QByteArray& bytes)
{
    bytes = source.directory();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CabinetFormat::Directory directory =
        CabinetFormat::readDirectory(buffer, source.size(), source.displayName());
    if (qint64(directory.declaredSize) != source.size() ||
        (!directory.folders.isEmpty() && directory.folders.first().dataOffset != std::uint32_t(bytes.size())))
        throw CabinetError(QStringLiteral("L'archive \"%1\" est inutilisable : elle est endommagée.")
                               .arg(source.displayName()));
    return directory;
}

bool decodeBlocks(const CabinetFormat::Directory& directory, Bytes& in, const TakeBytes& take,
                  const FolderDone& folderDone)
{
    BlockDecoder decoder;
    // Two of each, used in turn: a block's bytes stay where they are while
    // the next one is decoded against them.
    std::vector<unsigned char> coded[2] = {std::vector<unsigned char>(std::size_t(kMaxCoded) + 255),
                                           std::vector<unsigned char>(std::size_t(kMaxCoded) + 255)};
    std::vector<unsigned char> plain[2] = {std::vector<unsigned char>(kBlock),
                                           std::vector<unsigned char>(kBlock)};
    int turn = 0;
    for (int f = 0; f < directory.folders.size(); ++f) {
        const CabinetFormat::Folder& folder = directory.folders.at(f);
        const int method = folder.compression & 0x0f;
        if (method != CabinetFormat::MsZip && method != CabinetFormat::None)
            throw Failure{0, QStringLiteral("sa méthode de compression n'est pas celle de ce logiciel.")};
        in.moveTo(folder.dataOffset);
        decoder.startFolder();
        for (int b = 0; b < folder.blocks; ++b) {
            unsigned char header[kBlockHeaderSize];
            if (!in.read(header, sizeof header) || !in.skip(directory.dataReserve))
                throw Failure{0, QStringLiteral("elle est incomplète (tronquée).")};
            const int codedSize = int(get16(header + 4));
            const int plainSize = int(get16(header + 6));
            if (codedSize > kMaxCoded || plainSize > kBlock || plainSize == 0)
                throw Failure{0, QStringLiteral("elle est endommagée.")};
            turn = 1 - turn;
            unsigned char* block = coded[turn].data();
            if (!in.read(block, std::size_t(codedSize)))
                throw Failure{0, QStringLiteral("elle est incomplète (tronquée).")};
            const std::uint32_t sum = get32(header);
            if (sum != 0 && sum != blockChecksum(header, block, std::size_t(codedSize)))
                throw Failure{0, QStringLiteral("elle est endommagée (somme de contrôle).")};
            const unsigned char* out = block;
            if (method == CabinetFormat::MsZip) {
                out = decoder.decode(block, codedSize, plain[turn].data(), plainSize);
                if (!out)
                    throw Failure{0, QStringLiteral("elle est endommagée.")};
            } else if (codedSize != plainSize) {
                throw Failure{0, QStringLiteral("elle est endommagée.")};
            }
            if (!take(out, std::size_t(plainSize)))
                return false;
        }
        folderDone(f);
    }
    return true;
}

} // namespace Cabinet
