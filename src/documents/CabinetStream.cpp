// Cabinets written by the program itself, and read back to check them.
// libgcab deflates every block at zlib's default effort, which JPEG pictures
// and already archived files repay with nothing; here a block that does not
// shrink is stored as it is (an MS-ZIP stored block, which every reader
// takes), and content beyond one folder's reach goes on in further folders.
#include "Cabinet.h"
#include "CabinetMeter.h"
#include "FileDescriptor.h"
#include "FileUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

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
// header fields known only at the end are written in place afterwards.
class Output
{
public:
    explicit Output(int fd) : m_fd(fd) { m_buffer.reserve(kIoSize); }

    void write(const void* data, std::size_t count)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        if (m_buffer.size() + count > kIoSize)
            flush();
        if (count >= kIoSize)
            writeAll(bytes, count);
        else
            m_buffer.insert(m_buffer.end(), bytes, bytes + count);
        m_position += qint64(count);
    }
    void flush()
    {
        if (!m_buffer.empty())
            writeAll(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    void writeAt(qint64 offset, const unsigned char* data, std::size_t count)
    {
        flush();
        while (count > 0) {
            const ssize_t n = ::pwrite(m_fd, data, count, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Failure{n < 0 ? errno : EIO, {}};
            data += n;
            offset += n;
            count -= std::size_t(n);
        }
    }
    qint64 position() const { return m_position; }

private:
    void writeAll(const unsigned char* bytes, std::size_t count)
    {
        while (count > 0) {
            const ssize_t n = ::write(m_fd, bytes, count);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Failure{n < 0 ? errno : EIO, {}};
            bytes += n;
            count -= std::size_t(n);
        }
    }

    int m_fd;
    std::vector<unsigned char> m_buffer;
    qint64 m_position = 0;
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
    Writer(Output& out, Meter& meter, const QList<Planned>& files) : m_out(out), m_meter(meter), m_files(files)
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
                const ssize_t n = readFully(fd.get(), m_input.data(), std::size_t(std::min<qint64>(left, kIoSize)));
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

private:
    static Failure changed() { return {0, QStringLiteral("un fichier a changé pendant qu'il était archivé.")}; }

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
        m_out.write(m_coded, std::size_t(kBlockHeaderSize + coded));
        m_done += m_fill;
        m_fill = 0;
        ++m_blockCount;
        if (!m_meter.advance(m_done))
            throw Failure{0, QStringLiteral("opération interrompue.")};
        return 1;
    }

    Output& m_out;
    Meter& m_meter;
    const QList<Planned>& m_files;
    BlockCoder m_coder;
    std::vector<bool> m_worth;
    std::vector<unsigned char> m_input;
    unsigned char m_block[kBlock];
    unsigned char m_coded[kBlockHeaderSize + kMaxCoded];
    int m_fill = 0;
    int m_blockMember = 0;
    qint64 m_blockCount = 0;
    qint64 m_done = 0;
};

// ------------------------------------------------------------- reading back

// The archive read in large pieces, front to back.
class Input
{
public:
    Input(int fd, Meter& meter) : m_fd(fd), m_meter(meter) { m_buffer.resize(kIoSize); }

    void seek(qint64 offset)
    {
        m_offset = offset;
        m_start = m_end = 0;
    }
    // False when the file ends first.
    bool read(unsigned char* into, std::size_t count)
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
            throw Failure{0, QStringLiteral("il y manque une partie du fichier \"%1\".").arg(m_members.at(m_index).name)};
        while (m_index < lastIndex)
            openNext(sizes);
        if (m_left != 0)
            throw Failure{0, QStringLiteral("il y manque une partie du fichier \"%1\".").arg(m_members.at(m_index).name)};
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
    return QString(CabinetFormat::safeRelativePath(name)).replace(QLatin1Char('/'), QLatin1Char('\\')).toUtf8();
}

} // namespace

void create(const QString& archive, const QList<Member>& members, const Progress& progress, qint64 folderSize)
{
    const auto refuse = [&](const QString& why) {
        return CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\" : %2").arg(archive, why));
    };
    folderSize = std::clamp<qint64>(folderSize, kBlock, CabinetFormat::kMaxFolderSize);
    if (members.size() > 0xffff)
        throw refuse(QStringLiteral("elle ne peut pas contenir plus de 65 535 fichiers."));

    // The directory first: names, sizes, which folder each file goes in.
    QList<Planned> files;
    QList<PlannedFolder> folders;
    QSet<QString> seen;
    qint64 total = 0;
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
        total += file.size;
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
        throw refuse(QStringLiteral("les fichiers dépassent %1 octets, la taille la plus grande d'une archive de ce "
                                    "format.")
                         .arg(CabinetFormat::kMaxCabinetSize - (largest - total)));

    QByteArray directory(int(directorySize), '\0');
    auto* d = reinterpret_cast<unsigned char*>(directory.data());
    std::memcpy(d, "MSCF", 4);
    put32(d + 16, std::uint32_t(kHeaderSize + folders.size() * kFolderRecordSize)); // first file record
    d[24] = 3; // format 1.3
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

    const QByteArray path = nativePath(archive);
    FileDescriptor fd(::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        throw refuse(FileUtils::systemReason(errno) + QLatin1Char('.'));
    Meter meter(progress, total);
    Failure failure;
    try {
        Output out(fd.get());
        out.write(d, std::size_t(directorySize));
        Writer writer(out, meter, files);
        std::vector<std::uint32_t> starts;
        int first = 0;
        for (int f = 0; f < folders.size(); ++f) {
            starts.push_back(std::uint32_t(out.position()));
            int last = first;
            while (last < files.size() && files.at(last).folder == f)
                ++last;
            if (writer.writeFolder(first, last) != folders.at(f).blocks())
                throw Failure{0, QStringLiteral("un fichier a changé pendant qu'il était archivé.")};
            first = last;
        }
        unsigned char field[4];
        put32(field, std::uint32_t(out.position()));
        out.writeAt(8, field, 4);
        for (int f = 0; f < folders.size(); ++f) {
            put32(field, starts.at(std::size_t(f)));
            out.writeAt(kHeaderSize + f * kFolderRecordSize, field, 4);
        }
        if (::fdatasync(fd.get()) != 0)
            throw Failure{errno, {}};
        if (!fd.close())
            throw Failure{errno, {}};
    } catch (const Failure& f) {
        failure = f;
        if (failure.text.isEmpty())
            failure.text = FileUtils::systemReason(failure.error) + QLatin1Char('.');
    }
    if (!failure.text.isEmpty()) {
        ::unlink(path.constData());
        throw refuse(failure.text);
    }
    meter.finish();
}

void verify(const QString& archive, const QList<Member>& members, const Progress& progress)
{
    const auto refuse = [&](const QString& why) {
        return CabinetError(QStringLiteral("L'archive \"%1\" ne correspond pas aux fichiers archivés : %2").arg(archive, why));
    };
    FileDescriptor fd(openForReading(archive));
    if (fd.get() < 0)
        throw CabinetError(QStringLiteral("Impossible de relire l'archive \"%1\" : %2.")
                               .arg(archive, FileUtils::systemReason(errno)));
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw CabinetError(QStringLiteral("Impossible de relire l'archive \"%1\".").arg(archive));
    const CabinetFormat::Directory directory = CabinetFormat::readDirectory(file, file.size(), archive);
    if (directory.files.size() != members.size())
        throw refuse(QStringLiteral("elle contient %1 fichiers au lieu de %2.").arg(directory.files.size()).arg(members.size()));
    QList<qint64> sizes;
    for (int i = 0; i < members.size(); ++i) {
        const CabinetFormat::File& entry = directory.files.at(i);
        const qint64 size = QFileInfo(members.at(i).path).size();
        if (entry.rawName != storedName(members.at(i).name) || qint64(entry.size) != size)
            throw refuse(QStringLiteral("le fichier \"%1\" n'y figure pas tel quel.").arg(members.at(i).name));
        // Each folder holds its files one after the other, in their order.
        const bool continues = i > 0 && directory.files.at(i - 1).folder == entry.folder;
        const qint64 expectedOffset =
            continues ? qint64(directory.files.at(i - 1).offset) + directory.files.at(i - 1).size : 0;
        if (entry.offset != expectedOffset || (i > 0 && entry.folder < directory.files.at(i - 1).folder))
            throw refuse(QStringLiteral("ses fichiers ne sont pas rangés comme ils ont été écrits."));
        sizes << size;
    }

    Meter meter(progress, file.size());
    QString why;
    try {
        Input in(fd.get(), meter);
        BlockDecoder decoder;
        Comparison comparison(members);
        std::vector<unsigned char> coded(std::size_t(kMaxCoded) + 255);
        std::vector<unsigned char> plain(kBlock);
        int lastOfFolder = -1;
        for (int f = 0; f < directory.folders.size(); ++f) {
            const CabinetFormat::Folder& folder = directory.folders.at(f);
            const int method = folder.compression & 0x0f;
            if (method != CabinetFormat::MsZip && method != CabinetFormat::None)
                throw Failure{0, QStringLiteral("sa méthode de compression n'est pas celle de ce logiciel.")};
            in.seek(folder.dataOffset);
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
                comparison.compare(out, std::size_t(plainSize), sizes);
            }
            while (lastOfFolder + 1 < directory.files.size() && directory.files.at(lastOfFolder + 1).folder == f)
                ++lastOfFolder;
            comparison.finishFolder(lastOfFolder, sizes);
        }
        if (lastOfFolder != directory.files.size() - 1)
            throw Failure{0, QStringLiteral("elle est endommagée.")};
    } catch (const Failure& failure) {
        why = failure.text.isEmpty() ? FileUtils::systemReason(failure.error) + QLatin1Char('.') : failure.text;
    }
    if (!why.isEmpty())
        throw refuse(why);
    meter.finish();
}

} // namespace Cabinet
