// Backup, restore and compaction of a household with 1 GB of JPEG pictures
// and a 100 MB database, each beside its peer on the same files in the same
// run: gcab -c -z for the archive, cabextract for the reading back, the
// sqlite3 shell's VACUUM INTO for the compaction of a 500 MB database. The
// encrypted backup and restore run beside the plain ones, the key derived
// at the cost the program uses.
// The program forces what it writes to the disk and reads its archives back;
// the peers do neither. A restore leaves the safety archive of what it
// replaced to write afterwards, while the user goes on: BM_Restore is what
// the user waits for, BM_RestoreAndItsSafetyArchive all the work. The CPU
// column counts every thread, the encryption's and the checks' included.
#include "ArchiveFile.h"
#include "BackupArchive.h"
#include "BenchSupport.h"
#include "Cabinet.h"
#include "Compaction.h"
#include "FileUtils.h"
#include "Restore.h"
#include "SafetyArchive.h"
#include "SealedFormat.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <unistd.h>

namespace {

using BenchSupport::scratchFile;

constexpr qint64 kPictureBytes = 1'000'000'000;
constexpr qint64 kDatabaseBytes = 100'000'000;
constexpr qint64 kBigDatabaseBytes = 500'000'000;

void runTool(const QString& program, const QStringList& arguments, const QString& folder = {})
{
    QProcess tool;
    tool.setWorkingDirectory(folder);
    tool.start(program, arguments);
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), tool.readAllStandardError().constData());
}

void sql(const QString& file, const QStringList& statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(file);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(file));
        QSqlQuery q(db);
        for (const QString& s : statements)
            if (!q.exec(s))
                qFatal("%s failed", qPrintable(s));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

// A photograph-like picture: soft shapes, and sensor noise that keeps the
// JPEG at the size of a camera's.
QByteArray photo(int seed)
{
    QImage image(2400, 1800, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor::fromHsv(seed * 37 % 360, 60, 180));
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 40 + int(random.bounded(160)),
                                         90 + int(random.bounded(160))));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(int(random.bounded(2400)), int(random.bounded(1800)),
                            100 + int(random.bounded(900)), 100 + int(random.bounded(700)));
    }
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(24)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255),
                           qBound(0, qBlue(c) + n, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 92);
    return bytes;
}

// Records of a household over many years: acts with their texts, and
// document thumbnails, until the file has the size asked.
void fillDatabase(const QString& file, qint64 bytes)
{
    QFile::copy(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Ressources/DB/Data/Access/BRIVOLINE.MDB"), file);
    QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    sql(file, {QStringLiteral("INSERT INTO PERSON (Id, Name, ForeName) VALUES (1, 'Durand', 'Élise')")});
    int batch = 0;
    while (QFileInfo(file).size() < bytes) {
        sql(file,
            {QStringLiteral("BEGIN"),
             QStringLiteral(
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                 "INSERT INTO ACTION (Id_Ref, Tag, Date_Action, Remark1, Price, Price_Repayment, "
                 "Price_Repayment_Comp) "
                 "SELECT 1, 1, date('2000-01-01', '+' || (i % 9000) || ' days'), "
                 "'Consultation de contrôle n° ' || (i + %1) || ', ordonnance renouvelée, "
                 "examen clinique sans particularité, tension ' || (110 + i % 40) || '/' || (60 + i % 30), "
                 "23.0 + i % 50, 15.1, 7.9 FROM n")
                 .arg(batch * 20000),
             QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
                            "INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, Title, ImgMini, DoType) "
                            "SELECT 0, 1, 'Document ' || i, randomblob(4000), 1 FROM n"),
             QStringLiteral("COMMIT")});
        ++batch;
    }
}

const char kPassword[] = "correct cheval pile agrafe";

Secret password()
{
    QByteArray bytes(kPassword);
    return Secret::takeBytes(bytes);
}

struct Household
{
    RecordSet set;
    QString archive;
    QString sealedArchive;
    QString bigDatabase;
};

Household& household()
{
    static Household h = [] {
        Household made;
        const QString data = scratchFile(QStringLiteral("home/"));
        made.set = {QStringLiteral(BRIVOLINE_PROGRAM_DIR), data, data + QStringLiteral("Data/"),
                    QStringLiteral("Access/BRIVOLINE.MDB")};
        for (const QString& f : {made.set.imagesFolder(), made.set.filesFolder(), made.set.backupFolder(),
                                 made.set.databaseFolder + QStringLiteral("Access/")})
            QDir().mkpath(f);
        QList<QByteArray> pictures;
        for (int seed = 0; seed < 12; ++seed)
            pictures << photo(seed);
        qint64 written = 0;
        for (int i = 1; written < kPictureBytes; ++i) {
            const QByteArray& bytes = pictures.at(i % pictures.size());
            QFile out(made.set.imagesFolder() + QStringLiteral("Doc%1.jpg").arg(i));
            out.open(QIODevice::WriteOnly);
            out.write(bytes);
            written += bytes.size();
        }
        fillDatabase(made.set.databaseFile(), kDatabaseBytes);
        made.archive = scratchFile(QStringLiteral("famille.bkp"));
        NoProgress silent;
        BackupArchive::write(made.set, made.archive, silent);
        made.sealedArchive = scratchFile(QStringLiteral("famille-chiffree.bkp"));
        const Sealed::Key key = Sealed::Key::create(password());
        BackupArchive::write(made.set, made.sealedArchive, silent, &key);
        made.bigDatabase = scratchFile(QStringLiteral("grande.mdb"));
        fillDatabase(made.bigDatabase, kBigDatabaseBytes + 50'000'000);
        // Rows deleted over the years: room the compaction gives back.
        sql(made.bigDatabase, {QStringLiteral("DELETE FROM DOCUMENTIMG WHERE Id % 10 = 0")});
        std::fprintf(
            stderr, "pictures %lld bytes, database %lld bytes, archive %lld bytes, big database %lld bytes\n",
            static_cast<long long>(written),
            static_cast<long long>(QFileInfo(made.set.databaseFile()).size()),
            static_cast<long long>(QFileInfo(made.archive).size()),
            static_cast<long long>(QFileInfo(made.bigDatabase).size()));
        return made;
    }();
    return h;
}

qint64 contentBytes()
{
    qint64 total = 0;
    for (const Cabinet::Member& m : BackupArchive::members(household().set))
        total += QFileInfo(m.path).size();
    return total;
}

void BM_Backup(benchmark::State& state)
{
    Household& h = household();
    const QString target = h.set.backupFolder() + QStringLiteral("sauvegarde.bkp");
    ::sync(); // each one starts with the disk at rest
    NoProgress silent;
    for (auto _ : state)
        BackupArchive::backup(h.set, target, silent);
    state.SetBytesProcessed(state.iterations() * contentBytes());
    state.counters["archive_MB"] = double(QFileInfo(target).size()) / 1e6;
    QFile::remove(target);
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(2);

// The same, encrypted: the key derived while the database is compacted.
void BM_BackupEncrypted(benchmark::State& state)
{
    Household& h = household();
    const QString target = h.set.backupFolder() + QStringLiteral("sauvegarde.bkp");
    ::sync();
    NoProgress silent;
    for (auto _ : state) {
        Sealed::PendingKey key(password());
        BackupArchive::backup(h.set, target, silent, &key);
    }
    state.SetBytesProcessed(state.iterations() * contentBytes());
    state.counters["archive_MB"] = double(QFileInfo(target).size()) / 1e6;
    QFile::remove(target);
}
BENCHMARK(BM_BackupEncrypted)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

// Where a backup's time goes: the archive written (forced to the disk),
// then read back and compared with the files.
void BM_ArchiveWrite(benchmark::State& state)
{
    Household& h = household();
    const QString target = scratchFile(QStringLiteral("written.bkp"));
    const QList<Cabinet::Member> members = BackupArchive::members(h.set);
    ::sync();
    for (auto _ : state)
        Cabinet::create(target, members);
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_ArchiveWrite)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

void BM_ArchiveWriteEncrypted(benchmark::State& state)
{
    Household& h = household();
    const QString target = scratchFile(QStringLiteral("written.bkp"));
    const QList<Cabinet::Member> members = BackupArchive::members(h.set);
    const Sealed::Key key = Sealed::Key::create(password());
    ::sync();
    for (auto _ : state)
        ArchiveFile::create(target, members, &key);
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_ArchiveWriteEncrypted)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

void BM_ArchiveVerify(benchmark::State& state)
{
    Household& h = household();
    const QList<Cabinet::Member> members = BackupArchive::members(h.set);
    // Of the files as they are now: the backup compacted the database.
    const QString archive = scratchFile(QStringLiteral("verified.bkp"));
    Cabinet::create(archive, members);
    ::sync();
    for (auto _ : state)
        Cabinet::verify(archive, members);
    QFile::remove(archive);
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_ArchiveVerify)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

void BM_ArchiveVerifyEncrypted(benchmark::State& state)
{
    Household& h = household();
    const QList<Cabinet::Member> members = BackupArchive::members(h.set);
    const QString archive = scratchFile(QStringLiteral("verified.bkp"));
    const Sealed::Key key = Sealed::Key::create(password());
    ArchiveFile::create(archive, members, &key);
    ::sync();
    for (auto _ : state)
        ArchiveFile::verify(archive, members, &key);
    QFile::remove(archive);
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_ArchiveVerifyEncrypted)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

void BM_GcabCreate_Peer(benchmark::State& state)
{
    Household& h = household();
    QStringList arguments{QStringLiteral("-c"), QStringLiteral("-z"), scratchFile(QStringLiteral("peer.cab")),
                          QStringLiteral("Access/BRIVOLINE.MDB")};
    for (const QString& name : FileUtils::listFiles(h.set.imagesFolder(), QStringLiteral("*.jpg")))
        arguments << QStringLiteral("Images/") + name;
    ::sync();
    for (auto _ : state)
        runTool(QStringLiteral("gcab"), arguments, h.set.databaseFolder);
    state.SetBytesProcessed(state.iterations() * contentBytes());
    state.counters["archive_MB"] = double(QFileInfo(scratchFile(QStringLiteral("peer.cab"))).size()) / 1e6;
    QFile::remove(scratchFile(QStringLiteral("peer.cab")));
}
BENCHMARK(BM_GcabCreate_Peer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The safety archive of what the restore set aside, which the program
// writes after it, while the user goes on; kept out of the restore's time.
void writeSafetyArchive(benchmark::State& state, const Household& h)
{
    state.PauseTiming();
    QStringList written;
    for (const QString& folder : SafetyArchive::pending(h.set))
        written << SafetyArchive::archiveOf(folder);
    NoProgress silent;
    SafetyArchive::finish(h.set, silent);
    for (const QString& archive : std::as_const(written))
        QFile::remove(archive);
    ::sync();
    state.ResumeTiming();
}

// The whole restore: staged, checked (the database while the pictures are
// extracted), the current data set aside for their safety archive, swapped,
// on the disk.
void BM_Restore(benchmark::State& state)
{
    Household& h = household();
    ::sync();
    NoProgress silent;
    for (auto _ : state) {
        Restore::run(h.set, h.archive, silent, nullptr);
        writeSafetyArchive(state, h);
    }
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(2);

// The restore and then its safety archive: all the work, as a restore did
// it before the safety archive was left to write afterwards.
void BM_RestoreAndItsSafetyArchive(benchmark::State& state)
{
    Household& h = household();
    ::sync();
    NoProgress silent;
    for (auto _ : state) {
        const QString safety = Restore::run(h.set, h.archive, silent, nullptr).safetyArchive;
        SafetyArchive::finish(h.set, silent);
        state.PauseTiming();
        QFile::remove(safety);
        ::sync();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_RestoreAndItsSafetyArchive)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

// The same from the encrypted archive: its key and the safety archive's
// derived from the password at once, each on a core, then the archive
// checked through once before anything is staged.
void BM_RestoreEncrypted(benchmark::State& state)
{
    Household& h = household();
    ::sync();
    NoProgress silent;
    double unlocking = 0;
    for (auto _ : state) {
        const Secret secret = password();
        const auto asked = std::chrono::steady_clock::now();
        Restore::Encryption encryption(Sealed::Header::read(h.sealedArchive), secret);
        unlocking +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked).count();
        Restore::run(h.set, h.sealedArchive, silent, nullptr, &encryption);
        writeSafetyArchive(state, h);
    }
    state.SetBytesProcessed(state.iterations() * contentBytes());
    // What the password dialog waits for before the restore begins: the
    // rest of the time is the restore once the password is accepted.
    state.counters["unlock_ms"] = benchmark::Counter(unlocking, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RestoreEncrypted)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

// Its first step alone: the archive extracted as a restore stages it.
void BM_RestoreExtraction(benchmark::State& state)
{
    Household& h = household();
    const QString out = scratchFile(QStringLiteral("staged/"));
    ::sync();
    for (auto _ : state) {
        Cabinet::extractAs(h.archive, out, [](int, const Cabinet::Entry& e) { return e.name; });
        state.PauseTiming();
        QDir(out).removeRecursively();
        ::sync();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_RestoreExtraction)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

void BM_RestoreExtractionEncrypted(benchmark::State& state)
{
    Household& h = household();
    const QString out = scratchFile(QStringLiteral("staged/"));
    const Sealed::Key key = Sealed::Key::open(Sealed::Header::read(h.sealedArchive), password());
    ::sync();
    for (auto _ : state) {
        ArchiveFile::extractAs(
            h.sealedArchive, out, [](int, const Cabinet::Entry& e) { return e.name; }, &key);
        state.PauseTiming();
        QDir(out).removeRecursively();
        ::sync();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_RestoreExtractionEncrypted)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

void BM_Cabextract_Peer(benchmark::State& state)
{
    Household& h = household();
    const QString out = scratchFile(QStringLiteral("peer/"));
    ::sync();
    for (auto _ : state) {
        runTool(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out, h.archive});
        state.PauseTiming();
        QDir(out).removeRecursively();
        ::sync();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * contentBytes());
}
BENCHMARK(BM_Cabextract_Peer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_Compact500MB(benchmark::State& state)
{
    Household& h = household();
    const QString file = scratchFile(QStringLiteral("compact.mdb"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(file);
        QFile::copy(h.bigDatabase, file);
        ::sync();
        state.ResumeTiming();
        Compaction::compactInPlace(file);
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(h.bigDatabase).size());
    state.counters["compacted_MB"] = double(QFileInfo(file).size()) / 1e6;
}
BENCHMARK(BM_Compact500MB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(2);

void BM_Sqlite3VacuumInto_Peer(benchmark::State& state)
{
    Household& h = household();
    const QString file = scratchFile(QStringLiteral("compact.mdb"));
    const QString copy = scratchFile(QStringLiteral("vacuum.mdb"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(file);
        QFile::remove(copy);
        QFile::copy(h.bigDatabase, file);
        ::sync();
        state.ResumeTiming();
        runTool(QStringLiteral("sqlite3"), {file, QStringLiteral("VACUUM INTO '%1'").arg(copy)});
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(h.bigDatabase).size());
    state.counters["compacted_MB"] = double(QFileInfo(copy).size()) / 1e6;
}
BENCHMARK(BM_Sqlite3VacuumInto_Peer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(
        argc, argv, {.prepare = [] { household(); }, .application = BenchSupport::Application::Core});
}
