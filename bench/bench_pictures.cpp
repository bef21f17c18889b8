// Picture routines beside their peers, in the same run and on the same
// files: the libjpeg-turbo command-line tools (cjpeg, djpeg) for the codec,
// QImage for resampling and rotation. The peers' times include starting
// their process (about a millisecond) and writing their output to /dev/null.
#include "BenchSupport.h"
#include "Bitmap.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "ImageTransforms.h"
#include "JpegIO.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QProcess>
#include <QTransform>
#include <sys/resource.h>

namespace {

using BenchSupport::scratchFile;

// Smooth light and colour with grain, like a photo: what the codec meets in use.
Bitmap photo(int width, int height)
{
    Bitmap bitmap(width, height);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.scanLine(y);
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            const double u = double(x) / width, v = double(y) / height;
            const int light = int(128 + 90 * std::sin(6.0 * u + 2.0 * v) * std::cos(4.0 * v));
            row[3 * x] = std::uint8_t(std::clamp(light + int(60 * u) + grain, 0, 255));
            row[3 * x + 1] = std::uint8_t(std::clamp(light + int(40 * v) + grain, 0, 255));
            row[3 * x + 2] = std::uint8_t(std::clamp(light - int(50 * u * v) + grain, 0, 255));
        }
    }
    return bitmap;
}

QByteArray toPpm(const Bitmap& bitmap)
{
    QByteArray out = QByteArray("P6\n") + QByteArray::number(bitmap.width()) + ' ' +
                     QByteArray::number(bitmap.height()) + "\n255\n";
    const qsizetype header = out.size();
    out.resize(header + qsizetype(bitmap.width()) * bitmap.height() * 3);
    char* to = out.data() + header;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x, to += 3) {
            const std::uint8_t* p = bitmap.scanLine(y) + 3 * x;
            to[0] = char(p[2]);
            to[1] = char(p[1]);
            to[2] = char(p[0]);
        }
    return out;
}

void runTool(const QString& program, const QStringList& arguments)
{
    if (QProcess::execute(program, arguments) != 0)
        qFatal("%s failed", qPrintable(program));
}

// CPU seconds (user and system) used so far by finished child processes.
double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the peer once per iteration; "peer CPU" is its CPU time per run, to
// set beside the CPU time of the routine measured here (the machine is shared).
void runPeer(benchmark::State& state, const QString& program, const QStringList& arguments)
{
    const double before = childrenCpuSeconds();
    for (auto _ : state)
        runTool(program, arguments);
    state.counters["peer CPU ms"] = (childrenCpuSeconds() - before) * 1e3 / double(state.iterations());
}

const int kPhotoSide = 5000;
const int kQuality = 90;

// The 5000 x 5000 photo as a bitmap, as a PPM file for cjpeg and as the JPEG
// (made by cjpeg) that both decoders read.
struct Photo
{
    Bitmap bitmap = photo(kPhotoSide, kPhotoSide);
    QString ppm = scratchFile(QStringLiteral("photo.ppm"));
    QString jpeg = scratchFile(QStringLiteral("photo.jpg"));

    Photo()
    {
        QFile file(ppm);
        if (!file.open(QIODevice::WriteOnly) || file.write(toPpm(bitmap)) < 0)
            qFatal("cannot write the PPM file");
        file.close();
        runTool(QStringLiteral("cjpeg"), {QStringLiteral("-quality"), QString::number(kQuality),
                                          QStringLiteral("-outfile"), jpeg, ppm});
    }
};

const Photo& thePhoto()
{
    static const Photo photo;
    return photo;
}

void setMegapixels(benchmark::State& state, double pixels)
{
    state.counters["MP/s"] =
        benchmark::Counter(pixels * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_Decode_Here(benchmark::State& state)
{
    const Photo& photo = thePhoto();
    const int scale = int(state.range(0));
    for (auto _ : state) {
        Bitmap bitmap;
        if (!LoadJpegFile(bitmap, photo.jpeg, true, scale))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(bitmap.scanLine(0));
    }
    setMegapixels(state, double(kPhotoSide) * kPhotoSide);
}

void BM_Decode_Djpeg(benchmark::State& state)
{
    const Photo& photo = thePhoto();
    const int scale = int(state.range(0));
    QStringList arguments{QStringLiteral("-outfile"), QStringLiteral("/dev/null")};
    if (scale)
        arguments << QStringLiteral("-scale") << QStringLiteral("1/%1").arg(1 << scale);
    arguments << photo.jpeg;
    runPeer(state, QStringLiteral("djpeg"), arguments);
    setMegapixels(state, double(kPhotoSide) * kPhotoSide);
}

void BM_Encode_Here(benchmark::State& state)
{
    const Photo& photo = thePhoto();
    const QString out = scratchFile(QStringLiteral("here.jpg"));
    for (auto _ : state)
        SaveJpegFile(photo.bitmap, out, kQuality);
    setMegapixels(state, double(kPhotoSide) * kPhotoSide);
}

void BM_Encode_Cjpeg(benchmark::State& state)
{
    const Photo& photo = thePhoto();
    const QString out = scratchFile(QStringLiteral("cjpeg.jpg"));
    runPeer(
        state, QStringLiteral("cjpeg"),
        {QStringLiteral("-quality"), QString::number(kQuality), QStringLiteral("-outfile"), out, photo.ppm});
    setMegapixels(state, double(kPhotoSide) * kPhotoSide);
}

const Bitmap& camera()
{
    static const Bitmap bitmap = photo(6000, 4000);
    return bitmap;
}

void BM_Resize_Here(benchmark::State& state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    const Bitmap& source = camera();
    for (auto _ : state) {
        state.PauseTiming(); // the copy the routine replaces is not part of it
        Bitmap bitmap = source;
        state.ResumeTiming();
        ResizeBitmap(bitmap, width, height);
        benchmark::DoNotOptimize(bitmap.scanLine(0));
    }
    state.counters["dst MP/s"] = benchmark::Counter(double(width) * height * double(state.iterations()) / 1e6,
                                                    benchmark::Counter::kIsRate);
    setMegapixels(state, 6000.0 * 4000);
}

void BM_Resize_QImageSmooth(benchmark::State& state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    // RGB32: the format QImage scales fastest.
    const QImage image = toQImage(camera()).convertToFormat(QImage::Format_RGB32);
    for (auto _ : state) {
        QImage scaled = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
    state.counters["dst MP/s"] = benchmark::Counter(double(width) * height * double(state.iterations()) / 1e6,
                                                    benchmark::Counter::kIsRate);
    setMegapixels(state, 6000.0 * 4000);
}

void BM_Rotate_Here(benchmark::State& state)
{
    Bitmap bitmap = thePhoto().bitmap;
    for (auto _ : state) {
        RotateBitmap(bitmap, 90);
        benchmark::DoNotOptimize(bitmap.scanLine(0));
    }
    setMegapixels(state, double(kPhotoSide) * kPhotoSide);
}

void BM_Rotate_QImage(benchmark::State& state)
{
    QImage image = toQImage(thePhoto().bitmap);
    for (auto _ : state) {
        image = image.transformed(QTransform().rotate(90));
        benchmark::DoNotOptimize(image.constBits());
    }
    setMegapixels(state, double(kPhotoSide) * kPhotoSide);
}

} // namespace

BENCHMARK(BM_Decode_Here)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Decode_Djpeg)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Encode_Here)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Encode_Cjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Resize_Here)->Args({5000, 3333})->Args({90, 90})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Resize_QImageSmooth)
    ->Args({5000, 3333})
    ->Args({90, 90})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Rotate_Here)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rotate_QImage)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv, {.application = BenchSupport::Application::Gui});
}
