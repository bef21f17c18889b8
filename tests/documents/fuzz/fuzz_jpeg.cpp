// libFuzzer target: the JPEG reader on any bytes, whole and reduced, into
// an adapted bitmap and into a grey one.
#include "JpegIO.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const int scale = size ? data[size - 1] % 4 : 0;
    Bitmap bitmap;
    if (decodeJpeg(bitmap, bytes, true, scale)) {
        if (bitmap.isEmpty() ||
            (bitmap.format() != PixelFormat::Gray8 && bitmap.format() != PixelFormat::Bgr24))
            std::abort();
        unsigned sum = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (std::size_t i = 0; i < std::size_t(bitmap.width()) * bytesPerPixel(bitmap.format()); ++i)
                sum += bitmap.scanLine(y)[i];
        if (sum == 0xFFFFFFFF)
            return 1;
    } else if (!bitmap.isEmpty()) {
        std::abort(); // a failure must leave nothing that looks like a picture
    }
    Bitmap grey(1, 1, PixelFormat::Gray8);
    if (decodeJpeg(grey, bytes, false, 0) && grey.format() != PixelFormat::Gray8)
        std::abort();
    return 0;
}
