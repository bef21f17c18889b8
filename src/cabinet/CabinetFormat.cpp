#include "CabinetFormat.h"

#include <QIODevice>
#include <QStringDecoder>

namespace CabinetFormat {

namespace {

constexpr int kHeaderSize = 36;
constexpr int kMaxNameBytes = 256;
constexpr std::uint16_t kPreviousCabinet = 0x0001;
constexpr std::uint16_t kNextCabinet = 0x0002;
constexpr std::uint16_t kReserve = 0x0004;
constexpr std::uint16_t kNameIsUtf8 = 0x80;

// Little-endian fields read one record at a time from the device.
class Reader
{
public:
    Reader(QIODevice& device, std::int64_t size, const QString& name)
        : m_device(device), m_size(size), m_name(name)
    {
    }

    [[noreturn]] void refuse(const QString& why) const
    {
        throw CabinetError(QStringLiteral("L'archive \"%1\" est inutilisable : %2").arg(m_name, why));
    }
    [[noreturn]] void refuseTruncated() const { refuse(QStringLiteral("elle est incomplète (tronquée).")); }
    [[noreturn]] void refuseDamaged() const { refuse(QStringLiteral("elle est endommagée.")); }

    void seek(std::int64_t offset)
    {
        if (offset < 0 || offset > m_size || !m_device.seek(offset))
            refuseTruncated();
    }
    void read(char* into, qint64 count)
    {
        if (m_device.read(into, count) != count)
            refuseTruncated();
    }
    std::uint32_t number(int bytes)
    {
        unsigned char b[4] = {};
        read(reinterpret_cast<char*>(b), bytes);
        std::uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = (value << 8) | b[i];
        return value;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(number(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(number(2)); }
    std::uint32_t u32() { return number(4); }
    void skip(qint64 count) { seek(m_device.pos() + count); }
    // A zero-terminated string of at most `limit` bytes before its zero.
    QByteArray string(int limit)
    {
        QByteArray text;
        for (;;) {
            char c = 0;
            read(&c, 1);
            if (c == 0)
                return text;
            if (text.size() >= limit)
                refuseDamaged();
            text.append(c);
        }
    }

private:
    QIODevice& m_device;
    std::int64_t m_size;
    const QString& m_name;
};

QString decodeName(const QByteArray& raw, std::uint16_t attributes)
{
    if (attributes & kNameIsUtf8)
        return QString::fromUtf8(raw);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(raw);
    return utf8.hasError() ? QString::fromLatin1(raw) : decoded;
}

} // namespace

Directory readDirectory(QIODevice& device, std::int64_t size, const QString& displayName)
{
    Reader in(device, size, displayName);
    if (size == 0)
        in.refuse(QStringLiteral("le fichier est vide."));
    if (size < 4)
        in.refuseTruncated();
    in.seek(0);
    char signature[4];
    in.read(signature, 4);
    if (QByteArray(signature, 4) != QByteArrayLiteral("MSCF"))
        in.refuse(QStringLiteral("ce n'est pas une archive au format cabinet."));
    if (size < kHeaderSize)
        in.refuseTruncated();

    Directory d;
    in.u32(); // reserved
    d.declaredSize = in.u32();
    in.u32(); // reserved
    const std::uint32_t filesOffset = in.u32();
    in.u32(); // reserved
    in.u8();  // minor version
    const std::uint8_t major = in.u8();
    const std::uint16_t folderCount = in.u16();
    const std::uint16_t fileCount = in.u16();
    const std::uint16_t flags = in.u16();
    in.u16(); // set id
    in.u16(); // number in the set
    if (d.declaredSize > size)
        in.refuseTruncated();
    if (major != 1)
        in.refuse(QStringLiteral("cette version du format cabinet n'est pas connue."));
    if (flags & (kPreviousCabinet | kNextCabinet))
        in.refuse(QStringLiteral("elle fait partie d'un ensemble de plusieurs archives."));
    int folderReserve = 0;
    int dataReserve = 0;
    if (flags & kReserve) {
        const std::uint16_t headerReserve = in.u16();
        folderReserve = in.u8();
        dataReserve = in.u8();
        d.dataReserve = std::uint8_t(dataReserve);
        in.skip(headerReserve);
    }
    if (fileCount > 0 && folderCount == 0)
        in.refuseDamaged();

    for (int i = 0; i < folderCount; ++i) {
        Folder folder;
        folder.dataOffset = in.u32();
        folder.blocks = in.u16();
        folder.compression = in.u16();
        in.skip(folderReserve);
        const int method = folder.compression & 0x0f;
        if (method != None && method != MsZip && method != Lzx)
            in.refuse(QStringLiteral("sa méthode de compression n'est pas prise en charge."));
        // Every block has at least its eight-byte header and its reserve.
        const std::int64_t smallest = std::int64_t(folder.blocks) * (8 + dataReserve);
        if (folder.dataOffset < kHeaderSize || folder.dataOffset + smallest > d.declaredSize)
            in.refuseDamaged();
        d.folders << folder;
    }

    in.seek(filesOffset);
    for (int i = 0; i < fileCount; ++i) {
        File file;
        file.size = in.u32();
        file.offset = in.u32();
        file.folder = in.u16();
        file.date = in.u16();
        file.time = in.u16();
        file.attributes = in.u16();
        file.rawName = in.string(kMaxNameBytes);
        file.name = decodeName(file.rawName, file.attributes);
        // Folder numbers from 0xFFFD up continue a file from or into
        // another cabinet of a set: refused like the set itself.
        if (file.folder >= d.folders.size())
            in.refuseDamaged();
        const std::int64_t capacity = std::int64_t(d.folders.at(file.folder).blocks) * kBlockSize;
        if (std::int64_t(file.offset) + file.size > capacity)
            in.refuseDamaged();
        d.files << file;
    }
    return d;
}

QString safeRelativePath(const QString& entryName)
{
    QString path = entryName;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1Char(':')))
        return {};
    for (const QChar c : path)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return {};
    for (const QStringView part : QStringView(path).split(QLatin1Char('/')))
        if (part.isEmpty() || part == u"." || part == u"..")
            return {};
    return path;
}

} // namespace CabinetFormat
