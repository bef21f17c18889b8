#include "JpegIO.h"

#include "FileUtils.h"
#include "ImageError.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <QBuffer>
#include <QFile>
#include <vector>

// jerror.h lists some messages only once jpeglib.h has set the configuration.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

// libjpeg reports a fatal error by calling error_exit, which by default ends
// the process. Here it jumps back to the setjmp of the libjpeg call in
// progress, so every failure returns as false. The functions holding a setjmp
// keep only trivially destructible locals: nothing is skipped by the jump.

namespace {

// Real progressive files have about ten scans; thousands only serve to burn time.
constexpr int kMaxScans = 1000;
// Enough for the coefficients of a 100-megapixel progressive picture.
constexpr long kMemoryLimit = 1L << 30;
constexpr int kRowsPerCall = 16;

struct ErrorTrap
{
    jpeg_error_mgr manager; // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

// Warnings that mean the pixels from there on are made up by the decoder: a
// truncated or damaged file must not pass for a whole picture. The end of the
// data alone is not one of them: a file may lack only its end marker, and a
// single Huffman-coded scan that still needs bits raises "hit marker" anyway.
void onMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF: {
        // With several scans (progressive files) an early end means missing
        // scans, which no other warning reports: stop before any pixel is
        // computed. (Outside a decode the state check itself fails, which is
        // a failure too.)
        const auto decompress = reinterpret_cast<j_decompress_ptr>(info);
        if (info->is_decompressor && jpeg_has_multiple_scans(decompress))
            jumpBack(info);
        break;
    }
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
        jumpBack(info);
    default:
        break;
    }
}

void onProgress(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        jumpBack(info);
}

void installTrap(ErrorTrap& trap)
{
    jpeg_std_error(&trap.manager);
    trap.manager.error_exit = jumpBack;
    trap.manager.emit_message = onMessage;
}

class Decoder
{
public:
    Decoder()
    {
        installTrap(m_trap);
        m_info.err = &m_trap.manager;
        m_progress.progress_monitor = onProgress;
    }
    ~Decoder() { jpeg_destroy_decompress(&m_info); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    bool readHeader(QByteArrayView data)
    {
        if (setjmp(m_trap.jump))
            return false;
        jpeg_CreateDecompress(&m_info, JPEG_LIB_VERSION, sizeof(m_info));
        m_info.mem->max_memory_to_use = kMemoryLimit;
        m_info.progress = &m_progress;
        jpeg_mem_src(&m_info, reinterpret_cast<const unsigned char*>(data.data()),
                     static_cast<unsigned long>(data.size()));
        jpeg_read_header(&m_info, TRUE);
        return true;
    }

    int components() const { return m_info.num_components; }
    bool arithmeticCoding() const { return m_info.arith_code; }
    std::int64_t width() const { return m_info.image_width; }
    std::int64_t height() const { return m_info.image_height; }

    // Sets the output and computes its size.
    bool prepare(PixelFormat format, int scale)
    {
        if (setjmp(m_trap.jump))
            return false;
        m_info.out_color_space = format == PixelFormat::Gray8 ? JCS_GRAYSCALE : JCS_EXT_BGR;
        m_info.scale_num = 1;
        m_info.scale_denom = 1u << scale;
        jpeg_calc_output_dimensions(&m_info);
        return true;
    }

    int outputWidth() const { return int(m_info.output_width); }
    int outputHeight() const { return int(m_info.output_height); }

    bool readPixels(Bitmap& bitmap)
    {
        if (setjmp(m_trap.jump))
            return false;
        jpeg_start_decompress(&m_info);
        if (int(m_info.output_width) != bitmap.width() || int(m_info.output_height) != bitmap.height() ||
            m_info.output_components != bytesPerPixel(bitmap.format()))
            return false;
        while (m_info.output_scanline < m_info.output_height) {
            JSAMPROW rows[kRowsPerCall];
            const JDIMENSION first = m_info.output_scanline;
            const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, m_info.output_height - first);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = bitmap.scanLine(int(first + i));
            if (jpeg_read_scanlines(&m_info, rows, count) == 0)
                return false;
        }
        // Every row is in: a missing end marker or trailing bytes no longer
        // matter, so the decompression is not finished but simply dropped.
        return true;
    }

private:
    ErrorTrap m_trap;
    jpeg_progress_mgr m_progress{};
    jpeg_decompress_struct m_info{};
};

// Compressed bytes go to a buffer, written to the file once complete.
struct DeviceDestination
{
    jpeg_destination_mgr manager; // first: libjpeg hands back a pointer to it
    QIODevice* device;
    std::array<JOCTET, 1 << 16> buffer;
};

DeviceDestination& destinationOf(j_compress_ptr info)
{
    return *reinterpret_cast<DeviceDestination*>(info->dest);
}

void failWriting(j_compress_ptr info)
{
    info->err->msg_code = JERR_FILE_WRITE;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
}

void startDestination(j_compress_ptr info)
{
    DeviceDestination& destination = destinationOf(info);
    destination.manager.next_output_byte = destination.buffer.data();
    destination.manager.free_in_buffer = destination.buffer.size();
}

boolean flushDestination(j_compress_ptr info)
{
    DeviceDestination& destination = destinationOf(info);
    // libjpeg asks for a flush only when the whole buffer is full.
    const qint64 size = qint64(destination.buffer.size());
    if (destination.device->write(reinterpret_cast<const char*>(destination.buffer.data()), size) != size)
        failWriting(info);
    startDestination(info);
    return TRUE;
}

void endDestination(j_compress_ptr info)
{
    DeviceDestination& destination = destinationOf(info);
    const qint64 size = qint64(destination.buffer.size() - destination.manager.free_in_buffer);
    if (destination.device->write(reinterpret_cast<const char*>(destination.buffer.data()), size) != size)
        failWriting(info);
}

class Encoder
{
public:
    explicit Encoder(QIODevice& device)
    {
        installTrap(m_trap);
        m_info.err = &m_trap.manager;
        m_destination.manager.init_destination = startDestination;
        m_destination.manager.empty_output_buffer = flushDestination;
        m_destination.manager.term_destination = endDestination;
        m_destination.device = &device;
    }
    ~Encoder() { jpeg_destroy_compress(&m_info); }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // greyRow: room for one 24-bit row when the picture is grey.
    bool write(const Bitmap& bitmap, int quality, std::uint8_t* greyRow)
    {
        if (setjmp(m_trap.jump))
            return false;
        jpeg_CreateCompress(&m_info, JPEG_LIB_VERSION, sizeof(m_info));
        m_info.dest = &m_destination.manager;
        m_info.image_width = JDIMENSION(bitmap.width());
        m_info.image_height = JDIMENSION(bitmap.height());
        // Grey pictures are written as colour too: the stored file is always three-channel.
        m_info.input_components = 3;
        m_info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&m_info);
        jpeg_set_quality(&m_info, quality, TRUE);
        jpeg_start_compress(&m_info, TRUE);
        while (m_info.next_scanline < m_info.image_height) {
            const int first = int(m_info.next_scanline);
            JSAMPROW rows[kRowsPerCall];
            JDIMENSION count = 0;
            if (greyRow) {
                const std::uint8_t* grey = bitmap.scanLine(first);
                for (int x = 0; x < bitmap.width(); ++x)
                    greyRow[3 * x] = greyRow[3 * x + 1] = greyRow[3 * x + 2] = grey[x];
                rows[0] = greyRow;
                count = 1;
            } else {
                count = std::min<JDIMENSION>(kRowsPerCall, m_info.image_height - JDIMENSION(first));
                for (JDIMENSION i = 0; i < count; ++i)
                    rows[i] = const_cast<JSAMPROW>(bitmap.scanLine(first + int(i)));
            }
            if (jpeg_write_scanlines(&m_info, rows, count) != count)
                return false;
        }
        jpeg_finish_compress(&m_info);
        return true;
    }

private:
    ErrorTrap m_trap;
    DeviceDestination m_destination{};
    jpeg_compress_struct m_info{};
};

} // namespace

QString jpegWriteErrorText()
{
    return QStringLiteral("Error writing JPEG to file");
}

namespace {
bool encodeInto(QIODevice& device, const Bitmap& bitmap, int quality)
{
    const PixelFormat format = bitmap.format();
    std::vector<std::uint8_t> greyRow(format == PixelFormat::Gray8 ? std::size_t(bitmap.width()) * 3 : 0);
    Encoder encoder(device);
    return encoder.write(bitmap, std::clamp(quality, 0, 100), greyRow.empty() ? nullptr : greyRow.data());
}

bool acceptedHeader(Decoder& decoder, QByteArrayView data)
{
    if (!decoder.readHeader(data))
        return false;
    if (decoder.components() != 1 && decoder.components() != 3)
        return false;
    // Arithmetic decoding fills damaged or missing data with zeros without a
    // word, so a cut file would pass for whole; cameras and scanners never
    // write it, and the program's first codec did not read it either.
    if (decoder.arithmeticCoding())
        return false;
    return Bitmap::sizeAllowed(decoder.width(), decoder.height());
}

void checkWritable(const Bitmap& bitmap)
{
    const PixelFormat format = bitmap.format();
    if ((format != PixelFormat::Gray8 && format != PixelFormat::Bgr24) || bitmap.isEmpty())
        throw ImageError(jpegWriteErrorText());
}
} // namespace

QByteArray encodeJpeg(const Bitmap& bitmap, int quality)
{
    checkWritable(bitmap);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!encodeInto(buffer, bitmap, quality))
        throw ImageError(jpegWriteErrorText());
    return bytes;
}

void SaveJpegFile(const Bitmap& bitmap, const QString& fileName, int quality)
{
    const QByteArray bytes = encodeJpeg(bitmap, quality);
    try {
        FileUtils::writeFileAtomically(fileName, bytes);
    } catch (const FileError& e) {
        // Why the file could not be written (a full disk...) is worth saying.
        throw ImageError(jpegWriteErrorText() + QLatin1Char('\r') + e.text());
    }
}

bool decodeJpeg(Bitmap& bitmap, QByteArrayView data, bool adaptFormat, int scale)
{
    const PixelFormat formatBefore = bitmap.format();
    bitmap = Bitmap(0, 0, formatBefore);
    const bool readableFormat = formatBefore == PixelFormat::Gray8 || formatBefore == PixelFormat::Bgr24;
    if ((!readableFormat && !adaptFormat) || scale < 0 || scale > 3)
        return false;

    Decoder decoder;
    if (!acceptedHeader(decoder, data))
        return false;
    PixelFormat format = formatBefore;
    if (adaptFormat)
        format = decoder.components() == 1 ? PixelFormat::Gray8 : PixelFormat::Bgr24;
    if (!decoder.prepare(format, scale))
        return false;
    Bitmap picture;
    try {
        picture = Bitmap(decoder.outputWidth(), decoder.outputHeight(), format);
    } catch (const ImageError&) { // out of memory
        return false;
    }
    if (!decoder.readPixels(picture))
        return false;
    bitmap = std::move(picture);
    return true;
}

bool LoadJpegFile(Bitmap& bitmap, const QString& fileName, bool adaptFormat, int scale)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxJpegFileSize) {
        bitmap = Bitmap(0, 0, bitmap.format());
        return false;
    }
    return decodeJpeg(bitmap, file.readAll(), adaptFormat, scale);
}

bool jpegFileWithinLimits(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxJpegFileSize || file.size() == 0)
        return false;
    // Mapped, not read: only the pages the header spans are touched.
    const uchar* bytes = file.map(0, file.size());
    if (!bytes)
        return false;
    Decoder decoder;
    const bool accepted = acceptedHeader(decoder, QByteArrayView(bytes, file.size()));
    file.unmap(const_cast<uchar*>(bytes));
    return accepted;
}
