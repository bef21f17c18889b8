// Cabinets written by the program itself, and read back to check them.
// libgcab deflates every block at zlib's default effort, which JPEG pictures
// and already archived files repay with nothing; here a block that does not
// shrink is stored as it is (an MS-ZIP stored block, which every reader
// takes), and content beyond one folder's reach goes on in further folders.
#include "Cabinet.h"
#include "CabinetMeter.h"
#include "CabinetPlan.h"
#include "CabinetStreams.h"
#include "FileDescriptor.h"
#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace Cabinet {

namespace {

constexpr int kBlock = int(CabinetFormat::kBlockSize);
constexpr int kHeaderSize = 36;
constexpr int kFolderRecordSize = 8;
constexpr int kFileRecordSize = 16;
constexpr int kBlockHeaderSize = 8;
// "CK", then one final stored deflate block: type byte, length, its complement.
constexpr int kStoredOverhead = 2 + 5;
// The most a data block may hold once coded.
constexpr int kMaxCoded = kBlock + 12;
// Zlib's fastest effort: records shrink nearly as much as at its default
// (the benchmark's 100 MB database came out 0.2 MB larger), twice as fast.
constexpr int kDeflateLevel = 1;
// A member whose block saved less than this share is stored from then on,
// tried again every kRetryEvery blocks in case its content changes.
constexpr int kWorthDivisor = 32;
constexpr qint64 kRetryEvery = 64;
constexpr std::size_t kIoSize = std::size_t(1) << 20;
constexpr std::uint16_t kAttributeArchive = 0x20;
constexpr std::uint16_t kAttributeUtf8 = 0x80;

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

void put16(unsigned char* p, std::uint32_t value)
{
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char* p, std::uint32_t value)
{
    put16(p, value);
    put16(p + 2, value >> 16);
}

std::uint32_t get16(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t get32(const unsigned char* p)
{
    return get16(p) | get16(p + 2) << 16;
}

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

std::uint32_t blockChecksum(const unsigned char* header, const unsigned char* data, std::size_t count)
{
    return checksum(header + 4, 4, checksum(data, count, 0));
}

// Failures carry the errno of the system call, or 0 with their own text.
struct Failure
{
    int error = 0;
    QString text;
};

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

// Reads up to `count` bytes, short only at the end of the file.
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

// ------------------------------------------------------------- writing

struct Planned
{
    QString path;
    QByteArray name; // stored form: '\' separators, UTF-8
    qint64 size = 0;
    std::uint32_t offset = 0; // in its folder
    std::uint16_t folder = 0;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    std::uint16_t attributes = kAttributeArchive;
};

struct PlannedFolder
{
    qint64 content = 0;
    std::uint32_t blocks() const { return std::uint32_t((content + kBlock - 1) / kBlock); }
};

void toDos(const QDateTime& moment, std::uint16_t& date, std::uint16_t& time)
{
    const QDate day = moment.date();
    if (!day.isValid() || day.year() < 1980 || day.year() > 2107) {
        date = (1 << 5) | 1; // 1980-01-01
        time = 0;
        return;
    }
    const QTime clock = moment.time();
    date = std::uint16_t((day.year() - 1980) << 9 | day.month() << 5 | day.day());
    time = std::uint16_t(clock.hour() << 11 | clock.minute() << 5 | clock.second() / 2);
}

// The archive's bytes on their way to the file, through one buffer; the
// directory, known only at the end, is written in its place afterwards.
class FileSink final : public Sink
{
public:
    FileSink(int fd, const QString& name) : m_fd(fd), m_name(name) { m_buffer.reserve(kIoSize); }

    QString displayName() const override { return m_name; }
    void reserve(std::size_t directorySize) override
    {
        const std::vector<unsigned char> room(directorySize);
        append(room.data(), room.size());
    }
    void append(const unsigned char* bytes, std::size_t count) override
    {
        if (m_buffer.size() + count > kIoSize)
            flush();
        if (count >= kIoSize)
            writeAll(m_fd, bytes, count);
        else
            m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    }
    void finish(const unsigned char* directory, std::size_t count) override
    {
        flush();
        for (off_t offset = 0; count > 0;) {
            const ssize_t n = ::pwrite(m_fd, directory, count, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Failure{n < 0 ? errno : EIO, {}};
            directory += n;
            offset += n;
            count -= std::size_t(n);
        }
        if (::fdatasync(m_fd) != 0)
            throw Failure{errno, {}};
    }

private:
    void flush()
    {
        writeAll(m_fd, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }

    int m_fd;
    QString m_name;
    std::vector<unsigned char> m_buffer;
};

// Codes one data block: deflated when that is worth it, stored otherwise.
class BlockCoder
{
public:
    BlockCoder()
    {
        std::memset(&m_stream, 0, sizeof m_stream);
        if (deflateInit2(&m_stream, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Failure{0, QStringLiteral("mémoire insuffisante.")};
    }
    ~BlockCoder() { deflateEnd(&m_stream); }
    BlockCoder(const BlockCoder&) = delete;
    BlockCoder& operator=(const BlockCoder&) = delete;

    // Writes the coded block into `out` (room for kMaxCoded bytes) and
    // returns its size; `saved` tells whether deflating paid.
    int code(const unsigned char* in, int count, bool tryDeflate, unsigned char* out, bool& saved)
    {
        out[0] = 'C';
        out[1] = 'K';
        saved = false;
        if (tryDeflate) {
            deflateReset(&m_stream);
            m_stream.next_in = const_cast<unsigned char*>(in);
            m_stream.avail_in = unsigned(count);
            m_stream.next_out = out + 2;
            // Anything not smaller than the stored form is of no use.
            m_stream.avail_out = unsigned(count + 5 - 1);
            if (deflate(&m_stream, Z_FINISH) == Z_STREAM_END) {
                const int coded = 2 + int(m_stream.total_out);
                saved = count - int(m_stream.total_out) >= count / kWorthDivisor;
                return coded;
            }
        }
        out[2] = 1; // final block, stored
        put16(out + 3, std::uint32_t(count));
        put16(out + 5, ~std::uint32_t(count) & 0xffff);
        std::memcpy(out + kStoredOverhead, in, std::size_t(count));
        return kStoredOverhead + count;
    }

private:
    z_stream m_stream;
};

class Writer
{
public:
    Writer(Sink& out, Meter& meter, const QList<Planned>& files) : m_out(out), m_meter(meter), m_files(files)
    {
        m_worth.assign(std::size_t(files.size()), true);
        m_input.resize(kIoSize);
    }

    // Writes one folder's blocks (its members are files[first, last)) and
    // returns how many blocks it took.
    std::uint32_t writeFolder(int first, int last)
    {
        std::uint32_t blocks = 0;
        for (int i = first; i < last; ++i) {
            const Planned& member = m_files.at(i);
            FileDescriptor fd(openForReading(member.path));
            if (fd.get() < 0)
                throw Failure{0, QStringLiteral("le fichier \"%1\" ne peut pas être lu : %2.")
                                     .arg(member.path, FileUtils::systemReason(errno))};
            qint64 left = member.size;
            while (left > 0) {
                const ssize_t n =
                    readFully(fd.get(), m_input.data(), std::size_t(std::min<qint64>(left, kIoSize)));
                if (n < 0)
                    throw Failure{0, QStringLiteral("le fichier \"%1\" ne peut pas être lu : %2.")
                                         .arg(member.path, FileUtils::systemReason(errno))};
                if (n == 0)
                    throw changed();
                left -= n;
                blocks += feed(i, m_input.data(), std::size_t(n));
            }
            unsigned char probe = 0;
            if (readFully(fd.get(), &probe, 1) != 0)
                throw changed();
        }
        if (m_fill > 0)
            blocks += emit();
        return blocks;
    }
    // The content's bytes handed to the sink so far.
    qint64 written() const { return m_written; }

private:
    static Failure changed()
    {
        return {0, QStringLiteral("un fichier a changé pendant qu'il était archivé.")};
    }

    std::uint32_t feed(int member, const unsigned char* data, std::size_t count)
    {
        std::uint32_t blocks = 0;
        while (count > 0) {
            if (m_fill == 0)
                m_blockMember = member;
            const std::size_t take = std::min<std::size_t>(count, std::size_t(kBlock - m_fill));
            std::memcpy(m_block + m_fill, data, take);
            m_fill += int(take);
            data += take;
            count -= take;
            if (m_fill == kBlock)
                blocks += emit();
        }
        return blocks;
    }

    std::uint32_t emit()
    {
        const std::size_t member = std::size_t(m_blockMember);
        const bool tryDeflate = m_worth[member] || m_blockCount % kRetryEvery == 0;
        bool saved = false;
        const int coded = m_coder.code(m_block, m_fill, tryDeflate, m_coded + kBlockHeaderSize, saved);
        if (tryDeflate)
            m_worth[member] = saved;
        unsigned char* header = m_coded;
        put16(header + 4, std::uint32_t(coded));
        put16(header + 6, std::uint32_t(m_fill));
        put32(header, blockChecksum(header, m_coded + kBlockHeaderSize, std::size_t(coded)));
        m_out.append(m_coded, std::size_t(kBlockHeaderSize + coded));
        m_written += kBlockHeaderSize + coded;
        m_done += m_fill;
        m_fill = 0;
        ++m_blockCount;
        if (!m_meter.advance(m_done))
            throw Failure{0, QStringLiteral("opération interrompue.")};
        return 1;
    }

    Sink& m_out;
    Meter& m_meter;
    const QList<Planned>& m_files;
    BlockCoder m_coder;
    std::vector<bool> m_worth;
    std::vector<unsigned char> m_input;
    unsigned char m_block[kBlock];
    unsigned char m_coded[kBlockHeaderSize + kMaxCoded];
    int m_fill = 0;
    int m_blockMember = 0;
    qint64 m_written = 0;
    qint64 m_blockCount = 0;
    qint64 m_done = 0;
};

// ------------------------------------------------------------- reading back

// An archive's bytes front to back, each folder's data from where it begins.
class Bytes
{
public:
    virtual ~Bytes() = default;
    // False when the archive ends first.
    virtual bool read(unsigned char* into, std::size_t count) = 0;
    // To where a folder's data begin.
    virtual void moveTo(qint64 offset) = 0;

    bool skip(std::size_t count)
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
};

// The archive file read in large pieces.
class Input final : public Bytes
{
public:
    Input(int fd, Meter& meter) : m_fd(fd), m_meter(meter) { m_buffer.resize(kIoSize); }

    void moveTo(qint64 offset) override
    {
        m_offset = offset;
        m_start = m_end = 0;
    }
    bool read(unsigned char* into, std::size_t count) override
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

private:
    bool refill()
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

    int m_fd;
    Meter& m_meter;
    std::vector<unsigned char> m_buffer;
    qint64 m_offset = 0;
    std::size_t m_start = 0;
    std::size_t m_end = 0;
};

// A source's bytes after its directory; its folders must follow one another.
class SourceBytes final : public Bytes
{
public:
    SourceBytes(Source& source, qint64 start, Meter& meter)
        : m_source(source), m_meter(meter), m_position(start)
    {
    }

    bool read(unsigned char* into, std::size_t count) override
    {
        const std::size_t n = m_source.read(into, count);
        m_position += qint64(n);
        if (!m_meter.advance(m_position))
            throw Failure{0, QStringLiteral("opération interrompue.")};
        return n == count;
    }
    void moveTo(qint64 offset) override
    {
        if (offset != m_position)
            throw Failure{0, QStringLiteral("ses dossiers ne se suivent pas comme ce logiciel les écrit.")};
    }

private:
    Source& m_source;
    Meter& m_meter;
    qint64 m_position;
};

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

    void startFolder() { m_history = 0; }

    // Decodes one MS-ZIP block into `out`, which must come out exactly
    // `expected` bytes long; the block before is its dictionary.
    bool decode(const unsigned char* in, int count, unsigned char* out, int expected)
    {
        if (count < 2 || in[0] != 'C' || in[1] != 'K')
            return false;
        inflateReset(&m_stream);
        if (m_history > 0 && inflateSetDictionary(&m_stream, m_previous, unsigned(m_history)) != Z_OK)
            return false;
        m_stream.next_in = const_cast<unsigned char*>(in + 2);
        m_stream.avail_in = unsigned(count - 2);
        m_stream.next_out = out;
        m_stream.avail_out = unsigned(expected);
        if (inflate(&m_stream, Z_FINISH) != Z_STREAM_END || m_stream.total_out != unsigned(expected))
            return false;
        std::memcpy(m_previous, out, std::size_t(expected));
        m_history = expected;
        return true;
    }

private:
    z_stream m_stream;
    unsigned char m_previous[kBlock];
    int m_history = 0;
};

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

QByteArray storedName(const QString& name)
{
    return QString(CabinetFormat::safeRelativePath(name))
        .replace(QLatin1Char('/'), QLatin1Char('\\'))
        .toUtf8();
}

// The archive's data blocks decoded, folder after folder: `take` gets each
// block's bytes and returns false once it needs no more, `folderDone` each
// folder's index once read. False when `take` stopped it before the end.
template <typename Take, typename FolderDone>
bool decodeBlocks(const CabinetFormat::Directory& directory, Bytes& in, Take&& take, FolderDone&& folderDone)
{
    BlockDecoder decoder;
    std::vector<unsigned char> coded(std::size_t(kMaxCoded) + 255);
    std::vector<unsigned char> plain(kBlock);
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
            if (!in.read(coded.data(), std::size_t(codedSize)))
                throw Failure{0, QStringLiteral("elle est incomplète (tronquée).")};
            const std::uint32_t stored = get32(header);
            if (stored != 0 && stored != blockChecksum(header, coded.data(), std::size_t(codedSize)))
                throw Failure{0, QStringLiteral("elle est endommagée (somme de contrôle).")};
            const unsigned char* out = coded.data();
            if (method == CabinetFormat::MsZip) {
                if (!decoder.decode(coded.data(), codedSize, plain.data(), plainSize))
                    throw Failure{0, QStringLiteral("elle est endommagée.")};
                out = plain.data();
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

QString reasonOf(const Failure& failure)
{
    return failure.text.isEmpty() ? FileUtils::systemReason(failure.error) + QLatin1Char('.') : failure.text;
}

// The entries written one after the other as their bytes come: those
// the plan wants to their files, the others passed over, up to the last
// one wanted.
class Extraction
{
public:
    Extraction(const CabinetFormat::Directory& directory, const ExtractionPlan& plan)
        : m_directory(directory), m_plan(plan)
    {
        m_buffer.reserve(kIoSize);
        for (auto it = plan.wanted.cbegin(); it != plan.wanted.cend(); ++it)
            m_lastWanted = std::max(m_lastWanted, it.key());
    }
    ~Extraction()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_complete)
            for (const QString& path : std::as_const(m_written))
                QFile::remove(path);
    }
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;

    // False once every wanted entry has all its bytes.
    bool take(const unsigned char* data, std::size_t count)
    {
        while (count > 0) {
            while (m_left == 0)
                startNext(m_folder);
            const std::size_t part = std::size_t(std::min<qint64>(qint64(count), m_left));
            if (m_fd >= 0)
                write(data, part);
            m_left -= qint64(part);
            data += part;
            count -= part;
        }
        return !allWritten();
    }
    // After a folder: its files complete, empty ones included.
    void folderDone(int folder)
    {
        if (m_left != 0)
            throw Failure{0, QStringLiteral("il y manque une partie du fichier \"%1\".")
                                 .arg(m_directory.files.at(m_index).name)};
        while (m_index + 1 < m_directory.files.size() && m_directory.files.at(m_index + 1).folder == folder) {
            startNext(folder);
            if (m_left != 0)
                throw Failure{0, QStringLiteral("il y manque une partie du fichier \"%1\".")
                                     .arg(m_directory.files.at(m_index).name)};
        }
        closeCurrent();
        m_folder = folder + 1;
    }
    // After the last block, or once take() needed no more.
    void complete(bool wholeArchive)
    {
        if (wholeArchive ? m_index != m_directory.files.size() - 1 : !allWritten())
            throw Failure{0, QStringLiteral("elle est endommagée.")};
        closeCurrent();
        m_complete = true;
    }

private:
    bool allWritten() const { return m_index >= m_lastWanted && m_left == 0; }

    void startNext(int folder)
    {
        closeCurrent();
        if (m_index + 1 >= m_directory.files.size())
            throw Failure{0, QStringLiteral("elle contient plus que ses fichiers.")};
        const CabinetFormat::File& file = m_directory.files.at(++m_index);
        const qint64 expectedOffset =
            m_index > 0 && m_directory.files.at(m_index - 1).folder == file.folder
                ? qint64(m_directory.files.at(m_index - 1).offset) + m_directory.files.at(m_index - 1).size
                : 0;
        if (file.folder != folder || file.offset != expectedOffset)
            throw Failure{0, QStringLiteral("ses fichiers ne se suivent pas comme ce logiciel les écrit.")};
        m_left = file.size;
        const auto name = m_plan.wanted.constFind(m_index);
        if (name == m_plan.wanted.cend())
            return;
        const QString path = m_plan.base + *name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        m_fd = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_fd < 0)
            throw Failure{errno, {}};
        m_written << path;
    }
    void write(const unsigned char* data, std::size_t count)
    {
        if (m_buffer.size() + count > kIoSize)
            flush();
        m_buffer.insert(m_buffer.end(), data, data + count);
    }
    void flush()
    {
        writeAll(m_fd, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    void closeCurrent()
    {
        if (m_fd < 0)
            return;
        flush();
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw Failure{errno, {}};
    }

    const CabinetFormat::Directory& m_directory;
    const ExtractionPlan& m_plan;
    std::vector<unsigned char> m_buffer;
    QStringList m_written;
    int m_lastWanted = -1;
    int m_index = -1;
    int m_folder = 0;
    qint64 m_left = 0;
    int m_fd = -1;
    bool m_complete = false;
};

// A source's directory, read and checked like a file's; the archive it
// opens must be as long as the source says.
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

// What create() decides before writing: the directory with its records,
// and where each member goes.
struct Plan
{
    QList<Planned> files;
    QList<PlannedFolder> folders;
    QByteArray directory;
    qint64 total = 0;
};

Plan planArchive(const QString& archive, const QList<Member>& members, qint64 folderSize)
{
    const auto refuse = [&](const QString& why) {
        return CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\" : %2").arg(archive, why));
    };
    folderSize = std::clamp<qint64>(folderSize, kBlock, CabinetFormat::kMaxFolderSize);
    if (members.size() > 0xffff)
        throw refuse(QStringLiteral("elle ne peut pas contenir plus de 65 535 fichiers."));

    // The directory first: names, sizes, which folder each file goes in.
    Plan plan;
    QList<Planned>& files = plan.files;
    QList<PlannedFolder>& folders = plan.folders;
    QSet<QString> seen;
    qint64 directorySize = kHeaderSize;
    for (const Member& member : members) {
        const QFileInfo info(member.path);
        if (!info.isFile())
            throw refuse(QStringLiteral("le fichier \"%1\" est introuvable.").arg(member.path));
        const QString path = CabinetFormat::safeRelativePath(member.name);
        if (path.isEmpty())
            throw refuse(QStringLiteral("le nom \"%1\" ne convient pas à une archive.").arg(member.name));
        if (seen.contains(path.toLower()))
            throw refuse(QStringLiteral("le nom \"%1\" y figure deux fois.").arg(member.name));
        seen.insert(path.toLower());
        Planned file;
        file.path = member.path;
        file.name = storedName(path);
        if (file.name.size() > 255)
            throw refuse(QStringLiteral("le nom \"%1\" est trop long.").arg(member.name));
        for (const char c : std::as_const(file.name))
            if (static_cast<unsigned char>(c) >= 0x80)
                file.attributes |= kAttributeUtf8;
        file.size = info.size();
        if (file.size > folderSize)
            throw refuse(QStringLiteral("le fichier \"%1\" dépasse %2 octets, la limite du format.")
                             .arg(member.path)
                             .arg(folderSize));
        if (folders.isEmpty() || folders.last().content + file.size > folderSize)
            folders << PlannedFolder{};
        file.folder = std::uint16_t(folders.size() - 1);
        file.offset = std::uint32_t(folders.last().content);
        folders.last().content += file.size;
        toDos(info.lastModified(), file.date, file.time);
        directorySize += kFileRecordSize + file.name.size() + 1;
        plan.total += file.size;
        files << file;
    }
    if (folders.isEmpty())
        folders << PlannedFolder{};
    directorySize += qint64(folders.size()) * kFolderRecordSize;
    // The largest the archive can come out: every block stored.
    qint64 largest = directorySize;
    for (const PlannedFolder& folder : std::as_const(folders))
        largest += folder.content + qint64(folder.blocks()) * (kBlockHeaderSize + kStoredOverhead);
    if (largest > CabinetFormat::kMaxCabinetSize)
        throw refuse(
            QStringLiteral("les fichiers dépassent %1 octets, la taille la plus grande d'une archive de ce "
                           "format.")
                .arg(CabinetFormat::kMaxCabinetSize - (largest - plan.total)));

    plan.directory = QByteArray(int(directorySize), '\0');
    auto* d = reinterpret_cast<unsigned char*>(plan.directory.data());
    std::memcpy(d, "MSCF", 4);
    put32(d + 16, std::uint32_t(kHeaderSize + folders.size() * kFolderRecordSize)); // first file record
    d[24] = 3;                                                                      // format 1.3
    d[25] = 1;
    put16(d + 26, std::uint32_t(folders.size()));
    put16(d + 28, std::uint32_t(files.size()));
    for (int f = 0; f < folders.size(); ++f) {
        unsigned char* record = d + kHeaderSize + f * kFolderRecordSize;
        put16(record + 4, folders.at(f).blocks());
        put16(record + 6, CabinetFormat::MsZip);
    }
    unsigned char* at = d + kHeaderSize + folders.size() * kFolderRecordSize;
    for (const Planned& file : std::as_const(files)) {
        put32(at, std::uint32_t(file.size));
        put32(at + 4, file.offset);
        put16(at + 8, file.folder);
        put16(at + 10, file.date);
        put16(at + 12, file.time);
        put16(at + 14, file.attributes);
        std::memcpy(at + kFileRecordSize, file.name.constData(), std::size_t(file.name.size()));
        at += kFileRecordSize + file.name.size() + 1;
    }
    return plan;
}

// Writes the planned archive into the sink; the directory goes last, with
// the archive's size and each folder's start filled in.
void writeArchive(Sink& sink, Plan& plan, Meter& meter)
{
    auto* d = reinterpret_cast<unsigned char*>(plan.directory.data());
    const qint64 directorySize = plan.directory.size();
    sink.reserve(std::size_t(directorySize));
    Writer writer(sink, meter, plan.files);
    int first = 0;
    for (int f = 0; f < plan.folders.size(); ++f) {
        put32(d + kHeaderSize + f * kFolderRecordSize, std::uint32_t(directorySize + writer.written()));
        int last = first;
        while (last < plan.files.size() && plan.files.at(last).folder == f)
            ++last;
        if (writer.writeFolder(first, last) != plan.folders.at(f).blocks())
            throw Failure{0, QStringLiteral("un fichier a changé pendant qu'il était archivé.")};
        first = last;
    }
    put32(d + 8, std::uint32_t(directorySize + writer.written()));
    sink.finish(d, std::size_t(directorySize));
}

} // namespace

void create(const QString& archive, const QList<Member>& members, const Progress& progress, qint64 folderSize)
{
    Plan plan = planArchive(archive, members, folderSize);
    const QByteArray path = nativePath(archive);
    FileDescriptor fd(::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        throw CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\" : %2.")
                               .arg(archive, FileUtils::systemReason(errno)));
    Meter meter(progress, plan.total);
    QString why;
    try {
        FileSink sink(fd.get(), archive);
        writeArchive(sink, plan, meter);
        if (!fd.close())
            throw Failure{errno, {}};
    } catch (const Failure& f) {
        why = reasonOf(f);
    }
    if (!why.isEmpty()) {
        ::unlink(path.constData());
        throw CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\" : %2").arg(archive, why));
    }
    meter.finish();
}

void create(Sink& sink, const QList<Member>& members, const Progress& progress, qint64 folderSize)
{
    Plan plan = planArchive(sink.displayName(), members, folderSize);
    Meter meter(progress, plan.total);
    try {
        writeArchive(sink, plan, meter);
    } catch (const Failure& f) {
        throw CabinetError(
            QStringLiteral("Impossible de créer l'archive \"%1\" : %2").arg(sink.displayName(), reasonOf(f)));
    }
    meter.finish();
}

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

QList<Entry> list(Source& source)
{
    QByteArray bytes;
    return entriesOf(directoryOf(source, bytes));
}

void extractAs(Source& source, const QString& folder, const NameFor& nameFor, const Progress& progress)
{
    QByteArray bytes;
    const CabinetFormat::Directory directory = directoryOf(source, bytes);
    const ExtractionPlan plan =
        planExtraction(source.displayName(), directory, folder, nameFor, Reading::Sequential);
    if (plan.wanted.isEmpty())
        return;
    Meter meter(progress, source.size());
    try {
        SourceBytes in(source, bytes.size(), meter);
        Extraction extraction(directory, plan);
        const bool wholeArchive = decodeBlocks(
            directory, in,
            [&](const unsigned char* data, std::size_t count) { return extraction.take(data, count); },
            [&](int f) { extraction.folderDone(f); });
        extraction.complete(wholeArchive);
    } catch (const Failure& failure) {
        if (failure.error != 0)
            throw CabinetError(QStringLiteral("Impossible d'extraire l'archive \"%1\" : %2")
                                   .arg(source.displayName(), reasonOf(failure)));
        throw CabinetError(
            QStringLiteral("L'archive \"%1\" est endommagée : %2").arg(source.displayName(), failure.text));
    }
    meter.finish();
}

} // namespace Cabinet
