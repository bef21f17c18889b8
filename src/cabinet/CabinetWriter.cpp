// Cabinets written by the program itself.
// libgcab deflates every block at zlib's default effort, which JPEG pictures
// and already archived files repay with nothing; here a block that does not
// shrink is stored as it is (an MS-ZIP stored block, which every reader
// takes), and content beyond one folder's reach goes on in further folders.
#include "Cabinet.h"
#include "CabinetBlocks.h"
#include "FileDescriptor.h"
#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFileInfo>
#include <QSet>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace Cabinet {

namespace {

// Zlib's fastest effort: records shrink nearly as much as at its default
// (the benchmark's 100 MB database came out 0.2 MB larger), twice as fast.
constexpr int kDeflateLevel = 1;
// A member whose block saved less than this share is stored from then on,
// tried again every kRetryEvery blocks in case its content changes.
constexpr int kWorthDivisor = 32;
constexpr qint64 kRetryEvery = 64;
constexpr std::uint16_t kAttributeArchive = 0x20;
constexpr std::uint16_t kAttributeUtf8 = 0x80;

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

// What create() decides before writing: the directory with its records,
// and where each member goes.
struct Plan
{
    QList<Planned> files;
    QList<PlannedFolder> folders;
    QByteArray directory;
    qint64 total = 0;
    qint64 largest = 0; // the archive's size with every block stored
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
    qint64& largest = plan.largest;
    largest = directorySize;
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

qint64 largestSize(const QString& archive, const QList<Member>& members)
{
    return planArchive(archive, members, CabinetFormat::kMaxFolderSize).largest;
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

} // namespace Cabinet
