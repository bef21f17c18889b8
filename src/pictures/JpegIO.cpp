#include "JpegIO.h"

#include "FileUtils.h"
#include "ImageError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <functional>
#include <limits>
#include <QFile>
#include <QFileInfo>
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
// A file of several scans (progressive) is decoded only once all of them are
// in, from a copy of every DCT coefficient: two bytes per sample, whatever
// the reduction. Beyond this the picture is refused, so that reading any
// accepted JPEG stays within a few hundred megabytes.
constexpr std::int64_t kMaxCoefficientBytes = std::int64_t(192) << 20;
// libjpeg's own bound on everything it allocates: the coefficients and its
// buffers of a few rows.
constexpr long kMemoryLimit = long(kMaxCoefficientBytes + (std::int64_t(32) << 20));
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

QString unreadableText()
{
    return QStringLiteral(
        "Ce n'est pas une image JPEG lisible : le fichier est endommagé, incomplet ou d'un autre "
        "format.");
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
    ~Decoder()
    {
        jpeg_destroy_decompress(&m_info);
        if (m_file)
            std::fclose(m_file);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // The file is read as the decoder goes, never whole.
    bool openFile(std::FILE* file)
    {
        m_file = file;
        if (setjmp(m_trap.jump))
            return false;
        create();
        jpeg_stdio_src(&m_info, m_file);
        jpeg_read_header(&m_info, TRUE);
        return true;
    }

    bool openBytes(QByteArrayView data)
    {
        if (setjmp(m_trap.jump))
            return false;
        create();
        jpeg_mem_src(&m_info, reinterpret_cast<const unsigned char*>(data.data()),
                     static_cast<unsigned long>(data.size()));
        jpeg_read_header(&m_info, TRUE);
        return true;
    }

    // Whether the header was refused for dimensions beyond the format's own limit.
    bool refusedAsTooLarge() const { return m_trap.manager.msg_code == JERR_IMAGE_TOO_BIG; }
    int components() const { return m_info.num_components; }
    bool arithmeticCoding() const { return m_info.arith_code; }
    int width() const { return int(m_info.image_width); }
    int height() const { return int(m_info.image_height); }

    // What the coefficients of a file of several scans take; 0 for a file of one scan.
    std::int64_t coefficientBytes()
    {
        if (setjmp(m_trap.jump))
            return std::numeric_limits<std::int64_t>::max();
        if (!jpeg_has_multiple_scans(&m_info))
            return 0;
        std::int64_t bytes = 0;
        for (int c = 0; c < m_info.num_components; ++c) {
            const jpeg_component_info& component = m_info.comp_info[c];
            const auto roundUp = [](std::int64_t n, int multiple) {
                return (n + multiple - 1) / multiple * multiple;
            };
            bytes += roundUp(component.width_in_blocks, component.h_samp_factor) *
                     roundUp(component.height_in_blocks, component.v_samp_factor) *
                     std::int64_t(sizeof(JBLOCK));
        }
        return bytes;
    }

    // Decodes at eighths/8 into rows of the format, given to the sink.
    // band: room for kRowsPerCall rows of the reduced width. False when the
    // data turns out damaged or truncated.
    bool readRows(int eighths, PixelFormat format, RowSink& sink, std::uint8_t* band, std::size_t rowBytes)
    {
        if (setjmp(m_trap.jump))
            return false;
        m_info.out_color_space = format == PixelFormat::Gray8 ? JCS_GRAYSCALE : JCS_EXT_BGR;
        m_info.scale_num = unsigned(eighths);
        m_info.scale_denom = 8;
        jpeg_start_decompress(&m_info);
        if (std::size_t(m_info.output_width) * std::size_t(m_info.output_components) > rowBytes)
            return false;
        sink.start(int(m_info.output_width), int(m_info.output_height), format);
        while (m_info.output_scanline < m_info.output_height) {
            JSAMPROW rows[kRowsPerCall];
            for (int i = 0; i < kRowsPerCall; ++i)
                rows[i] = band + rowBytes * std::size_t(i);
            const JDIMENSION count = jpeg_read_scanlines(&m_info, rows, kRowsPerCall);
            if (count == 0)
                return false;
            for (JDIMENSION i = 0; i < count; ++i)
                sink.addRow(rows[i]);
        }
        // Every row is in: a missing end marker or trailing bytes no longer
        // matter, so the decompression is not finished but simply dropped.
        return true;
    }

private:
    void create()
    {
        jpeg_CreateDecompress(&m_info, JPEG_LIB_VERSION, sizeof(m_info));
        m_info.mem->max_memory_to_use = kMemoryLimit;
        m_info.progress = &m_progress;
    }

    ErrorTrap m_trap;
    jpeg_progress_mgr m_progress{};
    jpeg_decompress_struct m_info{};
    std::FILE* m_file = nullptr;
};

// Compressed bytes gather in a buffer, handed to the output whenever it is full.
using ByteOutput = std::function<bool(const char* bytes, qint64 size)>;

struct Destination
{
    jpeg_destination_mgr manager; // first: libjpeg hands back a pointer to it
    ByteOutput* output;
    std::array<JOCTET, 1 << 16> buffer;
};

Destination& destinationOf(j_compress_ptr info)
{
    return *reinterpret_cast<Destination*>(info->dest);
}

void failWriting(j_compress_ptr info)
{
    info->err->msg_code = JERR_FILE_WRITE;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
}

void startDestination(j_compress_ptr info)
{
    Destination& destination = destinationOf(info);
    destination.manager.next_output_byte = destination.buffer.data();
    destination.manager.free_in_buffer = destination.buffer.size();
}

boolean flushDestination(j_compress_ptr info)
{
    Destination& destination = destinationOf(info);
    // libjpeg asks for a flush only when the whole buffer is full.
    if (!(*destination.output)(reinterpret_cast<const char*>(destination.buffer.data()),
                               qint64(destination.buffer.size())))
        failWriting(info);
    startDestination(info);
    return TRUE;
}

void endDestination(j_compress_ptr info)
{
    Destination& destination = destinationOf(info);
    const qint64 size = qint64(destination.buffer.size() - destination.manager.free_in_buffer);
    if (!(*destination.output)(reinterpret_cast<const char*>(destination.buffer.data()), size))
        failWriting(info);
}

// Three-channel JPEG from 24-bit rows given one at a time.
class Encoder
{
public:
    explicit Encoder(ByteOutput output) : m_output(std::move(output))
    {
        installTrap(m_trap);
        m_info.err = &m_trap.manager;
        m_destination.manager.init_destination = startDestination;
        m_destination.manager.empty_output_buffer = flushDestination;
        m_destination.manager.term_destination = endDestination;
        m_destination.output = &m_output;
    }
    ~Encoder()
    {
        if (m_created)
            jpeg_destroy_compress(&m_info);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    bool start(int width, int height, int quality)
    {
        if (setjmp(m_trap.jump))
            return false;
        jpeg_CreateCompress(&m_info, JPEG_LIB_VERSION, sizeof(m_info));
        m_created = true;
        m_info.dest = &m_destination.manager;
        m_info.image_width = JDIMENSION(width);
        m_info.image_height = JDIMENSION(height);
        m_info.input_components = 3;
        m_info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&m_info);
        jpeg_set_quality(&m_info, quality, TRUE);
        jpeg_start_compress(&m_info, TRUE);
        return true;
    }

    bool writeRow(const std::uint8_t* bgr)
    {
        if (setjmp(m_trap.jump))
            return false;
        JSAMPROW row = const_cast<JSAMPROW>(bgr);
        return jpeg_write_scanlines(&m_info, &row, 1) == 1;
    }

    bool finish()
    {
        if (setjmp(m_trap.jump))
            return false;
        if (m_info.next_scanline != m_info.image_height)
            return false;
        jpeg_finish_compress(&m_info);
        return true;
    }

private:
    ErrorTrap m_trap;
    ByteOutput m_output;
    Destination m_destination{};
    jpeg_compress_struct m_info{};
    bool m_created = false;
};

} // namespace

QString jpegWriteErrorText()
{
    return QStringLiteral("Error writing JPEG to file");
}

// Rows go through the encoder as they come; grey ones are spread over the
// three colour bytes first, since the stored file is always three-channel.
struct JpegWriter::State
{
    explicit State(ByteOutput output) : encoder(std::move(output)) {}
    Encoder encoder;
    PixelFormat format = PixelFormat::Bgr24;
    int width = 0;
    std::vector<std::uint8_t> greyRow;
    bool failed = false;
};

JpegWriter::JpegWriter(int quality) : m_quality(std::clamp(quality, 0, 100)) {}

JpegWriter::~JpegWriter() = default;

void JpegWriter::start(int width, int height, PixelFormat format)
{
    if ((format != PixelFormat::Gray8 && format != PixelFormat::Bgr24) || width <= 0 || height <= 0)
        fail();
    m_state = std::make_unique<State>([this](const char* bytes, qint64 size) { return write(bytes, size); });
    m_state->format = format;
    m_state->width = width;
    if (format == PixelFormat::Gray8)
        m_state->greyRow.resize(std::size_t(width) * 3);
    if (!m_state->encoder.start(width, height, m_quality))
        fail();
}

void JpegWriter::addRow(const std::uint8_t* pixels)
{
    if (!m_state)
        fail();
    const std::uint8_t* row = pixels;
    if (m_state->format == PixelFormat::Gray8) {
        rowToBgr24(pixels, PixelFormat::Gray8, m_state->width, m_state->greyRow.data());
        row = m_state->greyRow.data();
    }
    if (!m_state->encoder.writeRow(row))
        fail();
}

void JpegWriter::finishEncoding()
{
    if (!m_state || !m_state->encoder.finish())
        fail();
}

void JpegWriter::fail()
{
    throw ImageError(m_writeFailure.isEmpty() ? jpegWriteErrorText()
                                              : jpegWriteErrorText() + QLatin1Char('\r') + m_writeFailure);
}

JpegFileWriter::JpegFileWriter(const QString& fileName, int quality) : JpegWriter(quality), m_file(fileName)
{
}

bool JpegFileWriter::write(const char* bytes, qint64 size)
{
    // Why the file could not be written (a full disk...) is worth saying.
    try {
        m_file.write(bytes, size);
        return true;
    } catch (const FileError& e) {
        m_writeFailure = e.text();
        return false;
    }
}

void JpegFileWriter::commit()
{
    finishEncoding();
    try {
        m_file.commit();
    } catch (const FileError& e) {
        m_writeFailure = e.text();
        fail();
    }
}

bool JpegBytesWriter::write(const char* bytes, qint64 size)
{
    m_bytes.append(bytes, size);
    return true;
}

QByteArray JpegBytesWriter::take()
{
    finishEncoding();
    return std::move(m_bytes);
}

QByteArray encodeJpeg(const Bitmap& bitmap, int quality)
{
    JpegBytesWriter writer(quality);
    sendRows(bitmap, writer);
    return writer.take();
}

void SaveJpegFile(const Bitmap& bitmap, const QString& fileName, int quality)
{
    if (bitmap.isEmpty() || (bitmap.format() != PixelFormat::Gray8 && bitmap.format() != PixelFormat::Bgr24))
        throw ImageError(jpegWriteErrorText());
    std::unique_ptr<JpegFileWriter> writer;
    try {
        writer = std::make_unique<JpegFileWriter>(fileName, quality);
    } catch (const FileError& e) {
        throw ImageError(jpegWriteErrorText() + QLatin1Char('\r') + e.text());
    }
    sendRows(bitmap, *writer);
    writer->commit();
}

// ---------------------------------------------------------------- reading

struct JpegReader::State
{
    Decoder decoder;
    bool used = false;
};

JpegReader::JpegReader(const QString& fileName) : m_state(std::make_unique<State>())
{
    const QByteArray path = QFile::encodeName(fileName);
    std::FILE* file = std::fopen(path.constData(), "rb");
    if (!file)
        throw ImageError(QStringLiteral("Impossible d'ouvrir l'image \"%1\".").arg(fileName));
    const qint64 size = QFileInfo(fileName).size();
    if (size > kMaxJpegFileSize) {
        std::fclose(file);
        throw ImageError(QStringLiteral("Fichier JPEG trop grand (%1 octets).").arg(size));
    }
    if (!m_state->decoder.openFile(file))
        refuseHeader();
    checkHeader();
}

JpegReader::JpegReader(QByteArrayView bytes) : m_state(std::make_unique<State>())
{
    if (!m_state->decoder.openBytes(bytes))
        refuseHeader();
    checkHeader();
}

JpegReader::~JpegReader() = default;

void JpegReader::refuseHeader()
{
    const Decoder& decoder = m_state->decoder;
    if (decoder.refusedAsTooLarge())
        Bitmap::checkSize(decoder.width(), decoder.height());
    throw ImageError(unreadableText());
}

void JpegReader::checkHeader()
{
    Decoder& decoder = m_state->decoder;
    if (decoder.components() != 1 && decoder.components() != 3)
        throw ImageError(
            QStringLiteral("Image JPEG de %1 composantes : seules les images en gris ou en couleurs "
                           "sont lues.")
                .arg(decoder.components()));
    // Arithmetic decoding fills damaged or missing data with zeros without a
    // word, so a cut file would pass for whole; cameras and scanners never
    // write it, and the program's first codec did not read it either.
    if (decoder.arithmeticCoding())
        throw ImageError(QStringLiteral("Image JPEG à codage arithmétique : format non pris en charge."));
    Bitmap::checkSize(decoder.width(), decoder.height());
    const std::int64_t coefficients = decoder.coefficientBytes();
    if (coefficients > kMaxCoefficientBytes) {
        // The limit for files of this layout (channels and their sampling).
        const double bytesPerPixel = double(coefficients) / (double(decoder.width()) * decoder.height());
        throw ImageError(
            QStringLiteral("Image JPEG progressive trop grande : %1 x %2 pixels (au plus %3 millions de "
                           "pixels pour une image progressive de ce type).")
                .arg(decoder.width())
                .arg(decoder.height())
                .arg(std::floor(double(kMaxCoefficientBytes) / bytesPerPixel / 1e6)));
    }
}

int JpegReader::width() const
{
    return m_state->decoder.width();
}

int JpegReader::height() const
{
    return m_state->decoder.height();
}

bool JpegReader::isGrey() const
{
    return m_state->decoder.components() == 1;
}

int JpegReader::eighthsFor(int width, int height) const
{
    // libjpeg rounds a reduced size up.
    const auto reduced = [](int size, int eighths) { return int((std::int64_t(size) * eighths + 7) / 8); };
    for (int eighths = 1; eighths < 8; ++eighths)
        if (reduced(this->width(), eighths) >= width && reduced(this->height(), eighths) >= height)
            return eighths;
    return 8;
}

void JpegReader::read(int eighths, PixelFormat format, RowSink& sink)
{
    if (m_state->used || eighths < 1 || eighths > 8 ||
        (format != PixelFormat::Gray8 && format != PixelFormat::Bgr24))
        throw ImageError(unreadableText());
    m_state->used = true;
    const std::size_t rowBytes =
        std::size_t((std::int64_t(width()) * eighths + 7) / 8) * bytesPerPixel(format);
    std::vector<std::uint8_t> band(rowBytes * kRowsPerCall);
    if (!m_state->decoder.readRows(eighths, format, sink, band.data(), rowBytes))
        throw ImageError(unreadableText());
}

namespace {
bool readInto(Bitmap& bitmap, JpegReader& reader, bool adaptFormat, int scale, PixelFormat formatBefore)
{
    PixelFormat format = formatBefore;
    if (adaptFormat)
        format = reader.isGrey() ? PixelFormat::Gray8 : PixelFormat::Bgr24;
    BitmapRows rows;
    reader.read(8 >> scale, format, rows);
    bitmap = rows.take();
    return true;
}

template <typename Source> bool load(Bitmap& bitmap, const Source& source, bool adaptFormat, int scale)
{
    const PixelFormat formatBefore = bitmap.format();
    bitmap = Bitmap(0, 0, formatBefore);
    const bool readableFormat = formatBefore == PixelFormat::Gray8 || formatBefore == PixelFormat::Bgr24;
    if ((!readableFormat && !adaptFormat) || scale < 0 || scale > 3)
        return false;
    try {
        JpegReader reader(source);
        return readInto(bitmap, reader, adaptFormat, scale, formatBefore);
    } catch (const ImageError&) { // refused, damaged, or out of memory
        bitmap = Bitmap(0, 0, formatBefore);
        return false;
    }
}
} // namespace

bool decodeJpeg(Bitmap& bitmap, QByteArrayView data, bool adaptFormat, int scale)
{
    return load(bitmap, data, adaptFormat, scale);
}

bool LoadJpegFile(Bitmap& bitmap, const QString& fileName, bool adaptFormat, int scale)
{
    return load(bitmap, fileName, adaptFormat, scale);
}

bool jpegFileWithinLimits(const QString& fileName)
{
    // The reader's constructor reads the header alone and refuses what the
    // codec would not decode.
    try {
        JpegReader reader(fileName);
        return true;
    } catch (const ImageError&) {
        return false;
    }
}
