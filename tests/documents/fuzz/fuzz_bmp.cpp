// libFuzzer target: the BMP reader on any bytes. A stream it accepts must
// survive being written and read back.
#include "BmpFormat.h"
#include "ImageError.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Bitmap bitmap;
    try {
        bitmap = BmpFormat::decode(QByteArrayView(data, qsizetype(size)));
    } catch (const ImageError&) {
        return 0;
    }
    if (bitmap.isEmpty())
        std::abort();
    // Touch every pixel byte so that a short allocation shows at once.
    unsigned sum = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (std::size_t i = 0; i < std::size_t(bitmap.width()) * bytesPerPixel(bitmap.format()); ++i)
            sum += bitmap.scanLine(y)[i];
    // 32-bit pictures are written without their alpha, so they come back opaque.
    if (bitmap.format() != PixelFormat::Bgra32 &&
        bitmap.width() * std::int64_t(bitmap.height()) <= 1'000'000 &&
        !(BmpFormat::decode(BmpFormat::encode(bitmap)) == bitmap))
        std::abort();
    return sum == 0xFFFFFFFF; // keeps the loop from being optimised away
}
