#pragma once

#include "CabinetMeter.h"
#include "CabinetStreams.h"
#include "LittleEndian.h"

#include <cstdint>
#include <functional>
#include <QByteArray>
#include <QString>
#include <sys/types.h>
#include <vector>

// What the program's own cabinet writer and readers share: the sizes of
// the format's records, its little-endian fields and block checksum, the
// files read and written whole, an archive's bytes read front to back and
// its MS-ZIP blocks decoded. Libgcab's reading (Cabinet.cpp) needs none of it.
namespace Cabinet {

constexpr int kBlock = int(CabinetFormat::kBlockSize);
constexpr int kHeaderSize = 36;
constexpr int kFolderRecordSize = 8;
constexpr int kFileRecordSize = 16;
constexpr int kBlockHeaderSize = 8;
// "CK", then one final stored deflate block: type byte, length, its complement.
constexpr int kStoredOverhead = 2 + 5;
// The most a data block may hold once coded.
constexpr int kMaxCoded = kBlock + 12;
constexpr std::size_t kIoSize = std::size_t(1) << 20;

QByteArray nativePath(const QString& path);

using LittleEndian::get16;
using LittleEndian::get32;
using LittleEndian::put16;
using LittleEndian::put32;

// The checksum of a data block: its header's sizes and its coded bytes.
std::uint32_t blockChecksum(const unsigned char* header, const unsigned char* data, std::size_t count);

// Failures carry the errno of the system call, or 0 with their own text.
struct Failure
{
    int error = 0;
    QString text;
};
// The failure in the words the user reads, ending with a full stop.
QString reasonOf(const Failure& failure);

// Opened for reading front to back; -1 with errno set.
int openForReading(const QString& path);
// Reads up to `count` bytes, short only at the end of the file.
ssize_t readFully(int fd, unsigned char* into, std::size_t count);
// Writes all of it, or throws Failure.
void writeAll(int fd, const unsigned char* bytes, std::size_t count);
// A member's name as the archive stores it: '\' separators, UTF-8.
QByteArray storedName(const QString& name);

// An archive's bytes front to back, each folder's data from where it begins.
class Bytes
{
public:
    virtual ~Bytes() = default;
    // False when the archive ends first.
    virtual bool read(unsigned char* into, std::size_t count) = 0;
    // To where a folder's data begin.
    virtual void moveTo(qint64 offset) = 0;

    bool skip(std::size_t count);
};

// The archive file read in large pieces.
class Input final : public Bytes
{
public:
    Input(int fd, Meter& meter);

    void moveTo(qint64 offset) override;
    bool read(unsigned char* into, std::size_t count) override;

private:
    bool refill();

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
    SourceBytes(Source& source, qint64 start, Meter& meter);

    bool read(unsigned char* into, std::size_t count) override;
    void moveTo(qint64 offset) override;

private:
    Source& m_source;
    Meter& m_meter;
    qint64 m_position;
};

// A source's directory, read and checked like a file's; the archive it
// opens must be as long as the source says. `bytes` receives the
// directory's bytes, after which the folders' data begin.
CabinetFormat::Directory directoryOf(Source& source, QByteArray& bytes);

// The archive's data blocks decoded, folder after folder: `take` gets each
// block's bytes and returns false once it needs no more, `folderDone` each
// folder's index once read. False when `take` stopped it before the end.
// Throws Failure for an archive that is truncated or damaged.
using TakeBytes = std::function<bool(const unsigned char* data, std::size_t count)>;
using FolderDone = std::function<void(int folder)>;
bool decodeBlocks(const CabinetFormat::Directory& directory, Bytes& in, const TakeBytes& take,
                  const FolderDone& folderDone);

} // namespace Cabinet
