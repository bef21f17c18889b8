#pragma once

#include "Errors.h"

#include <cstdint>
#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// Raised by the cabinet routines; the text says what is wrong, in French.
class CabinetError : public FileError
{
public:
    using FileError::FileError;
};

// The directory of a Microsoft cabinet: what its header, folder and file
// records say, read and checked before any decompressor sees the file.
namespace CabinetFormat {

constexpr std::int64_t kBlockSize = 32768;
// A folder counts its data blocks in 16 bits: no folder, hence no entry,
// holds more than this.
constexpr std::int64_t kMaxFolderSize = 65535 * kBlockSize;
// Every offset of the format is 32 bits wide.
constexpr std::int64_t kMaxCabinetSize = 0xFFFFFFFFLL;
// The most content one archive carries whatever its names and folders:
// every block stored (15 bytes more than its content), and room for the
// largest directory (65 535 entries of the longest name).
constexpr std::int64_t kMaxContent = (kMaxCabinetSize - 65536 * (16 + 256)) / (kBlockSize + 15) * kBlockSize;

enum Compression : std::uint16_t
{
    None = 0,
    MsZip = 1,
    Quantum = 2,
    Lzx = 3
};

struct Folder
{
    std::uint32_t dataOffset = 0;
    std::uint16_t blocks = 0;
    std::uint16_t compression = 0; // low four bits: Compression
};

struct File
{
    QByteArray rawName; // as stored, without its terminating zero
    QString name;       // decoded: UTF-8 when flagged or valid, else Latin-1
    std::uint32_t size = 0;
    std::uint32_t offset = 0; // in its folder's uncompressed bytes
    std::uint16_t folder = 0;
    std::uint16_t date = 0; // MS-DOS date and time
    std::uint16_t time = 0;
    std::uint16_t attributes = 0;
};

struct Directory
{
    std::uint32_t declaredSize = 0;
    std::uint8_t dataReserve = 0; // bytes after each data block's header
    QList<Folder> folders;
    QList<File> files;
};

// Reads the directory from the start of the device, whose whole size is
// `size`. Throws CabinetError, naming `displayName`, for an empty or
// truncated file, another format, a cabinet that belongs to a set of
// several, an unknown compression, or records pointing outside the file
// or their folder.
Directory readDirectory(QIODevice& device, std::int64_t size, const QString& displayName);

// The entry name as a relative path with '/' separators, or an empty
// string when it is not safe to write under a folder: empty, absolute,
// with a drive or stream colon, an empty, "." or ".." part, or a control
// character.
QString safeRelativePath(const QString& entryName);

} // namespace CabinetFormat
