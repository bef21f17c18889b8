// The text of an A4 page scanned at 300 dpi (six French lines four times
// over, both halves of the page written): the program's recognizer, which
// reads the two halves at once on two engines, beside the tesseract
// command-line program reading the same page as a PNG (its process start
// and the loading of its language data included, about 0.2 s).
#include "BenchSupport.h"
#include "DocumentReader.h"
#include "PageSamples.h"
#include "TextRecognizer.h"

#include <benchmark/benchmark.h>
#include <QProcess>
#include <sys/resource.h>

namespace {

QImage g_page;

// Processor seconds used so far by this process's threads or by its
// finished children: on a loaded machine the fair measure beside the clock.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
QString g_png;

void prepare()
{
    g_page = PageSamples::a4Page();
    g_png = BenchSupport::scratchFile(QStringLiteral("page.png"));
    g_page.save(g_png);
}

void BM_RecognizerA4(benchmark::State& state)
{
    TextRecognizer recognizer;
    if (!recognizer.isReady()) {
        state.SkipWithError(recognizer.problem().toStdString().c_str());
        return;
    }
    const Bitmap grey = DocumentReader::greyOf(g_page);
    const std::atomic_bool cancel{false};
    const double before = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        const QString text = recognizer.recognize(grey, cancel);
        if (!text.contains(QStringLiteral("Amoxicilline")))
            state.SkipWithError("page misread");
        benchmark::DoNotOptimize(text);
    }
    state.counters["cpu_s_per_page"] =
        (cpuSeconds(RUSAGE_SELF) - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RecognizerA4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_TesseractShellA4(benchmark::State& state)
{
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    for (auto _ : state) {
        QProcess tesseract;
        tesseract.start(QStringLiteral("tesseract"),
                        {g_png, QStringLiteral("stdout"), QStringLiteral("-l"), QStringLiteral("fra"),
                         QStringLiteral("--psm"), QStringLiteral("3")});
        if (!tesseract.waitForFinished(60000) || !tesseract.readAllStandardOutput().contains("Amoxicilline"))
            state.SkipWithError("tesseract failed");
    }
    state.counters["cpu_s_per_page"] =
        (cpuSeconds(RUSAGE_CHILDREN) - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TesseractShellA4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv, {prepare, nullptr, BenchSupport::Application::Gui});
}
