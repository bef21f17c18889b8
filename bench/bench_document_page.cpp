// The "Documents" page: attaching a 200 MB file and opening it again,
// each beside its peer on the same bytes in the same run (gcab -c -z for
// the archive, cabextract for the reading back), and switching to the page
// of a person with 500 picture documents in the real main window.
#include "BenchSupport.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Connection.h"
#include "DatasetUtils.h"
#include "DocumentPage.h"
#include "FileDocuments.h"
#include "ImageDocuments.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "TMainForm.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSqlQuery>
#include <random>
#include <unistd.h>

namespace {

constexpr qint64 kFileSize = 200'000'000;
constexpr int kPictures = 500;

using BenchSupport::household;

std::unique_ptr<TMainForm> g_window;
QString g_bigFile;
int g_person = 0;

// Like a folder of office files and scans: stretches of text, of random
// bytes and of repeated patterns, 64 KB at a time.
void writeBigFile(const QString& path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        qFatal("cannot write the sample file");
    std::mt19937 random(2026);
    static const char* words[] = {"ordonnance ", "radiographie ", "analyse ", "vaccin ", "1234,56 ", "\r\n"};
    QByteArray chunk(65536, Qt::Uninitialized);
    for (qint64 written = 0; written < kFileSize; written += chunk.size()) {
        const unsigned kind = random() % 4;
        for (qsizetype i = 0; i < chunk.size();) {
            if (kind == 0) {
                chunk[i++] = char(random());
            } else if (kind == 3) {
                chunk[i] = char((i / 7) & 0x3f);
                ++i;
            } else {
                for (const char* w = words[random() % 6]; *w && i < chunk.size(); ++w)
                    chunk[i++] = *w;
            }
        }
        out.write(chunk.left(qMin<qint64>(chunk.size(), kFileSize - written)));
    }
}

QByteArray thumbnail(int seed)
{
    QImage image(ImageDocuments::kThumbnailSize, ImageDocuments::kThumbnailSize, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setBrush(QColor::fromHsv(seed % 360, 150, 200));
    p.drawRect(10, 5, 70, 80);
    return BmpFormat::encode(fromQImage(image));
}

// What the page's open command reads back, and its peer too.
QString archiveOfTheBigFile()
{
    return program().folders.data + QStringLiteral("reference.cab");
}

void prepare()
{
    BenchSupport::Household& h = household();
    h.open();
    g_person = h.dataModule->createPerson();
    h.dataModule->Person.field(QStringLiteral("Name")).setAsString(QStringLiteral("Durand"));
    h.dataModule->Person.post();

    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral("BEGIN"));
    q.prepare(QStringLiteral(
        "INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, DoType, Title, ImgMini) VALUES (0, ?, 1, ?, ?)"));
    for (int i = 0; i < kPictures; ++i) {
        q.addBindValue(g_person);
        q.addBindValue(QStringLiteral("Document numéro %1").arg(i));
        q.addBindValue(thumbnail(i));
        q.exec();
    }
    q.exec(QStringLiteral("COMMIT"));

    g_bigFile = h.data + QStringLiteral("examen.bin");
    writeBigFile(g_bigFile);
    Cabinet::create(archiveOfTheBigFile(), {{g_bigFile, QStringLiteral("examen.bin")}});
    g_window = ProgramAssembly::mainWindow(*h.dataModule, *h.dataModule2);
    g_window->show();
    QApplication::processEvents();
}

void runTool(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess tool;
    tool.setWorkingDirectory(folder);
    tool.start(program, arguments);
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0)
        qFatal("%s failed", qPrintable(program));
}

// The page's add command without its dialogs: the row and its archive.
void BM_AttachFile200MB(benchmark::State& state)
{
    ::sync(); // each one starts with the disk at rest
    BenchSupport::Household& h = household();
    Dataset& files = h.dataModule->DocumentFile;
    for (auto _ : state) {
        files.close();
        files.setWhereLine(FileDocuments::personFilter(g_person));
        files.open();
        files.append();
        files.field(QStringLiteral("Id_File")).setAsInteger(0);
        files.field(QStringLiteral("Id_Ref")).setAsInteger(g_person);
        files.field(QStringLiteral("DoType")).setAsInteger(1);
        benchmark::DoNotOptimize(FileDocuments::attach(files, g_bigFile, h.dataModule->databaseFolder()));
        state.PauseTiming();
        files.remove(); // and its archive
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_AttachFile200MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_GcabCreate200MB_Peer(benchmark::State& state)
{
    ::sync(); // each one starts with the disk at rest
    const QString folder = program().folders.data;
    for (auto _ : state)
        runTool(QStringLiteral("gcab"),
                {QStringLiteral("-c"), QStringLiteral("-z"), QStringLiteral("peer.cab"),
                 QStringLiteral("examen.bin")},
                folder);
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_GcabCreate200MB_Peer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The page's open command: the read-only copy in the reading folder.
void BM_ReopenFile200MB(benchmark::State& state)
{
    ::sync(); // each one starts with the disk at rest
    const QString target = FileDocuments::readingFolder() + QStringLiteral("examen.bin");
    for (auto _ : state)
        FileDocuments::extractCopy(archiveOfTheBigFile(), target, true);
    QFile::remove(target);
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_ReopenFile200MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CabextractReopen200MB_Peer(benchmark::State& state)
{
    ::sync(); // each one starts with the disk at rest
    const QString folder = program().folders.data + QStringLiteral("peer/");
    QDir().mkpath(folder);
    for (auto _ : state)
        runTool(QStringLiteral("cabextract"),
                {QStringLiteral("-q"), QStringLiteral("-d"), folder, archiveOfTheBigFile()}, folder);
    QDir(folder).removeRecursively();
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_CabextractReopen200MB_Peer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Choosing the "Documents" tab: the files reopened, 500 thumbnails read,
// decoded and listed, the commands refreshed and the page painted.
void BM_OpenDocumentsPage500Pictures(benchmark::State& state)
{
    TMainForm& window = *g_window;
    for (auto _ : state) {
        window.showPage(TMainForm::Document);
        QApplication::processEvents();
        state.PauseTiming();
        window.showPage(TMainForm::General);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["pictures"] = kPictures;
}
BENCHMARK(BM_OpenDocumentsPage500Pictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .teardown = [] { g_window.reset(); }});
}
