#include "BmpFormat.h"

#include "FileUtils.h"
#include "ImageError.h"
#include "LittleEndian.h"
#include "PictureRows.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <QFile>
#include <vector>

namespace BmpFormat {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kCoreHeaderSize = 12; // OS/2 1.x and Windows 2 bitmaps
constexpr int kLargestHeader = 124; // BITMAPV5HEADER
constexpr qint64 kHeadBytes = 4096; // header, masks and palette come first, in far less

enum Compression : std::uint32_t
{
    Rgb = 0,
    Rle8 = 1,
    Rle4 = 2,
    BitFields = 3,
    Jpeg = 4,
    Png = 5,
    AlphaBitFields = 6
};

[[noreturn]] void refuse(const QString& reason)
{
    throw ImageError(reason);
}

[[noreturn]] void refuseTruncated()
{
    refuse(QStringLiteral("L'image bitmap est incomplète : le fichier est tronqué."));
}

[[noreturn]] void refuseBadPalette()
{
    refuse(QStringLiteral("Palette de l'image bitmap incorrecte."));
}

[[noreturn]] void refuseBadOffset()
{
    refuse(QStringLiteral("Position des pixels de l'image bitmap incorrecte."));
}

// Little-endian reads that never leave the stream.
class Bytes
{
public:
    explicit Bytes(QByteArrayView bytes) : m_bytes(bytes) {}
    qint64 size() const { return m_bytes.size(); }
    bool holds(qint64 offset, qint64 count) const
    {
        return offset >= 0 && count >= 0 && offset <= size() && count <= size() - offset;
    }
    const std::uint8_t* at(qint64 offset) const
    {
        return reinterpret_cast<const std::uint8_t*>(m_bytes.data()) + offset;
    }
    std::uint16_t u16(qint64 offset) const
    {
        if (!holds(offset, 2))
            refuseTruncated();
        return std::uint16_t(LittleEndian::get16(at(offset)));
    }
    std::uint32_t u32(qint64 offset) const
    {
        if (!holds(offset, 4))
            refuseTruncated();
        return LittleEndian::get32(at(offset));
    }
    std::int32_t i32(qint64 offset) const { return std::int32_t(u32(offset)); }

private:
    QByteArrayView m_bytes;
};

// One colour of a bit-field pixel, scaled to eight bits.
class Channel
{
public:
    Channel() = default;
    Channel(std::uint32_t mask, int bitsPerPixel) : m_mask(mask)
    {
        if (mask == 0)
            return;
        m_shift = std::countr_zero(mask);
        m_bits = std::popcount(mask);
        // A mask must be one run of bits inside the pixel.
        const std::uint32_t run = mask >> m_shift;
        const bool contiguous = (run & (run + 1)) == 0;
        const bool inside = bitsPerPixel == 32 || mask >> bitsPerPixel == 0;
        if (!contiguous || !inside)
            refuse(QStringLiteral("Masques de couleur de l'image bitmap incorrects."));
        m_max = m_bits >= 32 ? 0xFFFFFFFFu : (1u << m_bits) - 1;
    }
    bool present() const { return m_mask != 0; }
    std::uint8_t value(std::uint32_t pixel) const
    {
        if (m_mask == 0)
            return 0;
        const std::uint32_t v = (pixel & m_mask) >> m_shift;
        if (m_bits >= 8)
            return std::uint8_t(v >> (m_bits - 8));
        return std::uint8_t((v * 255 + m_max / 2) / m_max);
    }

private:
    std::uint32_t m_mask = 0;
    int m_shift = 0;
    int m_bits = 0;
    std::uint32_t m_max = 1;
};

struct Masks
{
    Channel blue, green, red, alpha;
    bool standard32 = false; // plain 0x00RRGGBB pixels: copied without arithmetic
};

struct Header
{
    std::int64_t width = 0;
    std::int64_t height = 0; // always positive; topDown tells the row order
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = Rgb;
    std::uint32_t colorsUsed = 0;
    int paletteEntrySize = 4;
    qint64 paletteOffset = 0; // where the colour table (or the bit masks of a 40-byte header) starts
    qint64 pixelOffset = 0;
    Masks masks;
};

QString compressionName(std::uint32_t compression)
{
    switch (compression) {
    case Rle8:
        return QStringLiteral("RLE 8 bits");
    case Rle4:
        return QStringLiteral("RLE 4 bits");
    case Jpeg:
        return QStringLiteral("JPEG");
    case Png:
        return QStringLiteral("PNG");
    default:
        return QStringLiteral("type %1").arg(compression);
    }
}

Masks readMasks(const Bytes& bytes, qint64 offset, bool withAlpha, int bitsPerPixel)
{
    Masks masks;
    masks.red = Channel(bytes.u32(offset), bitsPerPixel);
    masks.green = Channel(bytes.u32(offset + 4), bitsPerPixel);
    masks.blue = Channel(bytes.u32(offset + 8), bitsPerPixel);
    if (withAlpha)
        masks.alpha = Channel(bytes.u32(offset + 12), bitsPerPixel);
    masks.standard32 = bitsPerPixel == 32 && bytes.u32(offset) == 0xFF0000 &&
                       bytes.u32(offset + 4) == 0xFF00 && bytes.u32(offset + 8) == 0xFF &&
                       !masks.alpha.present();
    return masks;
}

Masks defaultMasks(int bitsPerPixel)
{
    Masks masks;
    if (bitsPerPixel == 16) {
        masks.red = Channel(0x7C00, 16);
        masks.green = Channel(0x03E0, 16);
        masks.blue = Channel(0x001F, 16);
    } else {
        masks.standard32 = true;
    }
    return masks;
}

Header readHeader(const Bytes& bytes)
{
    if (bytes.size() < 2 || bytes.at(0)[0] != 'B' || bytes.at(0)[1] != 'M')
        refuse(QStringLiteral("Ce fichier n'est pas une image bitmap (BMP)."));
    Header header;
    header.pixelOffset = bytes.u32(10);
    const std::uint32_t headerSize = bytes.u32(kFileHeaderSize);
    const qint64 at = kFileHeaderSize;
    if (headerSize == kCoreHeaderSize) {
        header.width = bytes.u16(at + 4);
        header.height = bytes.u16(at + 6);
        header.bitsPerPixel = bytes.u16(at + 10);
        header.paletteEntrySize = 3;
    } else if (headerSize >= kInfoHeaderSize && headerSize <= kLargestHeader) {
        header.width = bytes.i32(at + 4);
        const std::int64_t height = bytes.i32(at + 8);
        header.topDown = height < 0;
        header.height = height < 0 ? -height : height;
        header.bitsPerPixel = bytes.u16(at + 14);
        header.compression = bytes.u32(at + 16);
        header.colorsUsed = bytes.u32(at + 32);
    } else {
        refuse(QStringLiteral("En-tête d'image bitmap inconnu (%1 octets).").arg(headerSize));
    }
    header.paletteOffset = at + headerSize;

    if (header.width <= 0 || header.height <= 0)
        refuse(QStringLiteral("Dimensions d'image bitmap incorrectes : %1 x %2.")
                   .arg(header.width)
                   .arg(header.topDown ? -header.height : header.height));
    Bitmap::checkSize(header.width, header.height);

    switch (header.bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        refuse(QStringLiteral("Profondeur de couleur non prise en charge : %1 bits par pixel.")
                   .arg(header.bitsPerPixel));
    }

    switch (header.compression) {
    case Rgb:
        if (header.bitsPerPixel == 16 || header.bitsPerPixel == 32)
            header.masks = defaultMasks(header.bitsPerPixel);
        break;
    case BitFields:
    case AlphaBitFields: {
        if (header.bitsPerPixel != 16 && header.bitsPerPixel != 32)
            refuse(QStringLiteral("Image bitmap incorrecte : masques de couleur sur %1 bits par pixel.")
                       .arg(header.bitsPerPixel));
        const bool withAlpha = header.compression == AlphaBitFields || headerSize >= 56;
        if (headerSize == kInfoHeaderSize) {
            // The masks follow a 40-byte header, before any colour table.
            header.masks = readMasks(bytes, header.paletteOffset, withAlpha, header.bitsPerPixel);
            header.paletteOffset += withAlpha ? 16 : 12;
        } else {
            header.masks = readMasks(bytes, at + kInfoHeaderSize, withAlpha, header.bitsPerPixel);
        }
        break;
    }
    default:
        refuse(QStringLiteral("Image bitmap compressée (%1) : format non pris en charge.")
                   .arg(compressionName(header.compression)));
    }
    return header;
}

struct Palette
{
    std::array<std::array<std::uint8_t, 3>, 256> colours{}; // entries past the table stay black
    bool greyRamp = false;
};

Palette readPalette(const Bytes& bytes, const Header& header)
{
    const std::uint32_t capacity = 1u << header.bitsPerPixel;
    const std::uint32_t count = header.colorsUsed == 0 ? capacity : header.colorsUsed;
    if (count > capacity)
        refuseBadPalette();
    const qint64 tableSize = qint64(count) * header.paletteEntrySize;
    if (!bytes.holds(header.paletteOffset, tableSize) ||
        header.paletteOffset + tableSize > header.pixelOffset)
        refuseBadPalette();
    Palette palette;
    bool grey = count == 256;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = bytes.at(header.paletteOffset + qint64(i) * header.paletteEntrySize);
        palette.colours[i] = {entry[0], entry[1], entry[2]};
        grey = grey && entry[0] == i && entry[1] == i && entry[2] == i;
    }
    palette.greyRamp = grey && header.bitsPerPixel == 8;
    return palette;
}

void readIndexedRow(const std::uint8_t* row, const Header& header, const Palette& palette, std::uint8_t* out)
{
    const int bits = header.bitsPerPixel;
    for (std::int64_t x = 0; x < header.width; ++x, out += 3) {
        unsigned index;
        if (bits == 8)
            index = row[x];
        else if (bits == 4)
            index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
        else
            index = (row[x >> 3] >> (7 - (x & 7))) & 0x01;
        std::memcpy(out, palette.colours[index].data(), 3);
    }
}

void readMaskedRow(const std::uint8_t* row, const Header& header, std::uint8_t* out)
{
    const Masks& masks = header.masks;
    const int outBpp = header.bitsPerPixel == 32 ? 4 : 3;
    for (std::int64_t x = 0; x < header.width; ++x, out += outBpp) {
        const std::uint32_t pixel =
            header.bitsPerPixel == 16 ? LittleEndian::get16(row + 2 * x) : LittleEndian::get32(row + 4 * x);
        out[0] = masks.blue.value(pixel);
        out[1] = masks.green.value(pixel);
        out[2] = masks.red.value(pixel);
        if (outBpp == 4)
            out[3] = masks.alpha.present() ? masks.alpha.value(pixel) : 0xFF;
    }
}

} // namespace

namespace {

// Where the pixels are and how they come out, once the header and the
// palette have been read and the pixel data checked to be all there.
struct Layout
{
    Header header;
    Palette palette;
    PixelFormat format = PixelFormat::Bgr24;
    qint64 rowBytes = 0;     // a stored row with its padding
    qint64 lastRowBytes = 0; // the last stored row may come without its padding
};

// streamSize: the size of the whole stream, of which `bytes` holds at least
// the header and the palette.
Layout readLayout(const Bytes& bytes, qint64 streamSize)
{
    Layout layout;
    layout.header = readHeader(bytes);
    const Header& header = layout.header;
    if (header.bitsPerPixel <= 8)
        layout.palette = readPalette(bytes, header);

    if (header.pixelOffset < header.paletteOffset || header.pixelOffset > streamSize)
        refuseBadOffset();
    layout.rowBytes = (header.width * header.bitsPerPixel + 31) / 32 * 4;
    layout.lastRowBytes = (header.width * header.bitsPerPixel + 7) / 8;
    if (layout.rowBytes * (header.height - 1) + layout.lastRowBytes > streamSize - header.pixelOffset)
        refuseTruncated();

    if (header.bitsPerPixel == 32)
        layout.format = PixelFormat::Bgra32;
    else if (layout.palette.greyRamp)
        layout.format = PixelFormat::Gray8;
    return layout;
}

// The rows top down to the sink; storedRow(i) gives the i-th row as stored.
template <typename StoredRow> void convertRows(const Layout& layout, StoredRow& storedRow, RowSink& sink)
{
    const Header& header = layout.header;
    const PixelFormat format = layout.format;
    sink.start(int(header.width), int(header.height), format);
    std::vector<std::uint8_t> out(std::size_t(header.width) * bytesPerPixel(format));
    for (qint64 y = 0; y < header.height; ++y) {
        const std::uint8_t* row = storedRow(header.topDown ? y : header.height - 1 - y);
        if (format == PixelFormat::Gray8 || header.bitsPerPixel == 24) {
            sink.addRow(row);
            continue;
        }
        if (header.bitsPerPixel <= 8) {
            readIndexedRow(row, header, layout.palette, out.data());
        } else if (header.masks.standard32) {
            for (std::int64_t x = 0; x < header.width; ++x) {
                std::memcpy(out.data() + 4 * x, row + 4 * x, 3);
                out[std::size_t(4 * x + 3)] = 0xFF;
            }
        } else {
            readMaskedRow(row, header, out.data());
        }
        sink.addRow(out.data());
    }
}

// Stored rows read from the file a band at a time, in the order they are
// asked for: upwards through a bottom-up file.
class BandReader
{
public:
    BandReader(QFile& file, const Layout& layout)
        : m_file(file), m_layout(layout), m_rowsPerBand(std::max<qint64>(1, kBandBytes / layout.rowBytes)),
          m_band(std::size_t(m_rowsPerBand * layout.rowBytes))
    {
    }

    const std::uint8_t* operator()(qint64 row)
    {
        if (m_first < 0 || row < m_first || row >= m_first + m_rowsPerBand)
            load(row);
        return m_band.data() + (row - m_first) * m_layout.rowBytes;
    }

private:
    void load(qint64 row)
    {
        const Header& header = m_layout.header;
        m_first = header.topDown ? row : std::max<qint64>(0, row - m_rowsPerBand + 1);
        const qint64 count = std::min(m_rowsPerBand, header.height - m_first);
        // Up to the end of the pixels: the last row's missing padding reads as zeros.
        const qint64 end = m_layout.rowBytes * (header.height - 1) + m_layout.lastRowBytes;
        const qint64 size = std::min(count * m_layout.rowBytes, end - m_first * m_layout.rowBytes);
        std::fill(m_band.begin(), m_band.end(), std::uint8_t(0));
        if (!m_file.seek(header.pixelOffset + m_first * m_layout.rowBytes) ||
            m_file.read(reinterpret_cast<char*>(m_band.data()), size) != size)
            refuseTruncated();
    }

    static constexpr qint64 kBandBytes = qint64(4) << 20;
    QFile& m_file;
    const Layout& m_layout;
    qint64 m_rowsPerBand;
    qint64 m_first = -1;
    std::vector<std::uint8_t> m_band;
};

} // namespace

Bitmap decode(QByteArrayView data)
{
    const Bytes bytes(data);
    const Layout layout = readLayout(bytes, bytes.size());
    const auto storedRow = [&](qint64 row) {
        return bytes.at(layout.header.pixelOffset + row * layout.rowBytes);
    };
    BitmapRows rows;
    convertRows(layout, storedRow, rows);
    return rows.take();
}

void readFileRows(const QString& path, RowSink& sink)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImageError(QStringLiteral("Impossible d'ouvrir l'image \"%1\".").arg(path));
    try {
        const QByteArray head = file.read(kHeadBytes);
        const Layout layout = readLayout(Bytes(head), file.size());
        BandReader band(file, layout);
        convertRows(layout, band, sink);
    } catch (const ImageError& error) {
        throw ImageError(QStringLiteral("Impossible de lire l'image \"%1\".\r%2").arg(path, error.text()));
    }
}

Bitmap readFile(const QString& path)
{
    BitmapRows rows;
    readFileRows(path, rows);
    return rows.take();
}

namespace {

void putU16(QByteArray& out, qsizetype at, std::uint32_t value)
{
    out[at] = char(value & 0xFF);
    out[at + 1] = char(value >> 8 & 0xFF);
}

void putU32(QByteArray& out, qsizetype at, std::uint32_t value)
{
    putU16(out, at, value & 0xFFFF);
    putU16(out, at + 2, value >> 16);
}

} // namespace

namespace {

// Everything before the pixels: file and info headers, and the grey palette
// of an 8-bit picture.
QByteArray headerOf(const Bitmap& bitmap)
{
    if (bitmap.isEmpty())
        throw ImageError(QStringLiteral("Impossible d'enregistrer une image vide."));
    const int bpp = bytesPerPixel(bitmap.format());
    const int paletteSize = bitmap.format() == PixelFormat::Gray8 ? 256 * 4 : 0;
    const qsizetype pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteSize;
    const qint64 imageSize = qint64(bitmap.byteCount());
    QByteArray out(pixelOffset, '\0');

    out[0] = 'B';
    out[1] = 'M';
    putU32(out, 2, std::uint32_t(pixelOffset + imageSize));
    putU32(out, 10, std::uint32_t(pixelOffset));
    putU32(out, 14, kInfoHeaderSize);
    putU32(out, 18, std::uint32_t(bitmap.width()));
    putU32(out, 22, std::uint32_t(bitmap.height())); // positive: rows bottom-up
    putU16(out, 26, 1);
    putU16(out, 28, std::uint32_t(bpp * 8));
    putU32(out, 30, Rgb);
    putU32(out, 34, std::uint32_t(imageSize));
    putU32(out, 38, 3780); // 96 dots per inch
    putU32(out, 42, 3780);
    if (paletteSize) {
        putU32(out, 46, 256);
        for (int i = 0; i < 256; ++i)
            putU32(out, kFileHeaderSize + kInfoHeaderSize + 4 * i, std::uint32_t(i * 0x010101));
    }
    return out;
}

const char* storedRow(const Bitmap& bitmap, int i)
{
    return reinterpret_cast<const char*>(bitmap.scanLine(bitmap.height() - 1 - i));
}

} // namespace

QByteArray encode(const Bitmap& bitmap)
{
    QByteArray out = headerOf(bitmap);
    out.reserve(out.size() + qsizetype(bitmap.byteCount()));
    for (int i = 0; i < bitmap.height(); ++i)
        out.append(storedRow(bitmap, i), qsizetype(bitmap.stride()));
    return out;
}

void writeFile(const Bitmap& bitmap, const QString& path)
{
    const QByteArray header = headerOf(bitmap);
    try {
        // Row by row: a large picture is not copied whole into memory first.
        FileUtils::AtomicFile file(path);
        file.write(header);
        for (int i = 0; i < bitmap.height(); ++i)
            file.write(storedRow(bitmap, i), qint64(bitmap.stride()));
        file.commit();
    } catch (const FileError& e) {
        throw ImageError(e.text());
    }
}

} // namespace BmpFormat
