// The update of a database of the older layout by the shipped BD_351.maj:
// 2 000 documents whose 640 x 480 pictures are bitmaps in their rows move
// out into JPEG files (quality 100), and the rest of the script runs. The
// engine's own counters split the time between reading the bitmaps, writing
// the JPEGs, writing the files (forced to the disk) and the database. Peers
// in the same run, on the same pictures and file: cjpeg turning the bitmaps
// into JPEGs of the same quality, and the sqlite3 shell emptying the same
// 2 000 picture columns in one transaction (with and without zeroing the
// pages it frees, which the engine does by default on this system).
//   build/bench/bench_update [--benchmark_filter=...]
#include "BenchSupport.h"
#include "Bitmap.h"
#include "BmpFormat.h"
#include "Connection.h"
#include "OlderLayout.h"
#include "UpdateEngine.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace {

constexpr int kDocuments = 2000;
constexpr int kPeerPictures = 100; // cjpeg runs on this many, the figure is scaled to kDocuments

struct Bench
{
    QString pristine; // the older database, copied afresh before each run
    DbConfig config;
    QString data;
};

Bench& bench()
{
    static Bench b;
    return b;
}

void prepare()
{
    Bench& b = bench();
    b.pristine = BenchSupport::scratchFile(QStringLiteral("older.mdb"));
    b.data = BenchSupport::scratchFile(QStringLiteral("data/"));
    b.config.databaseFolder = b.data + QStringLiteral("Data/");
    QDir().mkpath(b.data);
    OlderLayout::create(b.pristine, {kDocuments, 640, 480});
}

// A fresh copy of the older database, its pictures folder emptied.
void resetDatabase()
{
    Bench& b = bench();
    Connection::close();
    QDir(b.config.databaseFolder).removeRecursively();
    QDir(b.data + QStringLiteral("Backup")).removeRecursively();
    QDir().mkpath(b.config.databaseFolder + QStringLiteral("Access"));
    if (!QFile::copy(b.pristine, b.config.databaseFile()))
        qFatal("copy failed");
}

void update(benchmark::State& state, bool withBackup)
{
    Bench& b = bench();
    PictureTimes times;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetDatabase();
        Connection::open(b.config);
        const DbConfig config = b.config;
        UpdateEngine engine({QString(), QStringLiteral(BRIVOLINE_PROGRAM_DIR), b.data, config.databaseFolder,
                             config.databaseFile(), [] { Connection::close(); },
                             [config] { Connection::open(config); }});
        QFile::copy(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Maj/BD_351.maj"),
                    b.data + QStringLiteral("BD_351.maj"));
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        engine.run({b.data, QStringLiteral("BD_351.maj"), withBackup, {}, nullptr, [](const QString&) {
                        return true;
                    }});
        seconds = timer.nsecsElapsed() / 1e9;
        times = engine.pictureTimes();
    }
    if (times.pictures < kDocuments)
        state.SkipWithError("not every picture was worked on");
    const double decode = times.decodeNs / 1e9, encode = times.encodeNs / 1e9, files = times.filesNs / 1e9,
                 database = times.databaseNs / 1e9;
    state.counters["decode_s"] = decode;
    state.counters["encode_s"] = encode;
    state.counters["files_s"] = files;
    state.counters["database_s"] = database;
    state.counters["rest_s"] = seconds - decode - encode - files - database;
    state.counters["pictures"] = times.pictures;
    Connection::close();
}

void BM_Update2000Pictures(benchmark::State& state)
{
    update(state, false);
}
BENCHMARK(BM_Update2000Pictures)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Update2000PicturesWithBackup(benchmark::State& state)
{
    update(state, true);
}
BENCHMARK(BM_Update2000PicturesWithBackup)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// cjpeg on kPeerPictures of the same bitmaps, one process each.
void BM_Peer_cjpeg(benchmark::State& state)
{
    const QString folder = BenchSupport::scratchFile(QStringLiteral("peer/"));
    QDir().mkpath(folder);
    for (int i = 0; i < kPeerPictures; ++i)
        BmpFormat::writeFile(OlderLayout::picture(640, 480, 10 + i),
                             folder + QStringLiteral("%1.bmp").arg(i));
    const QString script =
        QStringLiteral("for f in '%1'*.bmp; do cjpeg -quality 100 -outfile \"$f.jpg\" \"$f\" || exit 1; done")
            .arg(folder);
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        if (QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}) != 0)
            state.SkipWithError("cjpeg failed");
        seconds = timer.nsecsElapsed() / 1e9;
    }
    state.counters["per_picture_ms"] = seconds * 1000 / kPeerPictures;
    state.counters["for_2000_s"] = seconds * kDocuments / kPeerPictures;
}
BENCHMARK(BM_Peer_cjpeg)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The sqlite3 shell emptying the 2 000 picture columns of the same file, with
// the engine's default of zeroing freed pages (argument 0) and without (1).
void BM_Peer_sqlite3_EmptyThePictureColumns(benchmark::State& state)
{
    const QString statement =
        state.range(0) ? QStringLiteral("PRAGMA secure_delete=FAST; UPDATE DOCUMENTIMG SET Img=NULL;")
                       : QStringLiteral("UPDATE DOCUMENTIMG SET Img=NULL;");
    for (auto _ : state) {
        state.PauseTiming();
        resetDatabase();
        state.ResumeTiming();
        BenchSupport::sqliteShell(bench().config.databaseFile(), statement);
    }
}
BENCHMARK(BM_Peer_sqlite3_EmptyThePictureColumns)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .application = BenchSupport::Application::Core});
}
