// A Windows household of the 3.51 layout, 10 000 persons and 1 000 000 acts
// in a Jet file of about 150 MB (made by the tests' Jet writer once, and
// kept for the next runs in the temporary folder), made into the program's
// database: converted, updated (no picture action: that layout keeps its
// pictures in files) and checked; and its tables alone converted.
// Peer in the same run, on the same file: the same tables exported by
// mdb-export as SQL and loaded by the sqlite3 shell in one transaction.
//   build/bench/bench_jet [--benchmark_filter=...]
#include "BenchSupport.h"
#include "Errors.h"
#include "JetConversion.h"
#include "JetFile.h"
#include "JetHousehold.h"
#include "ProgramState.h"
#include "WindowsDatabase.h"

#include <benchmark/benchmark.h>
#include <map>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <sys/resource.h>

namespace {

constexpr int kPersons = 10000;
constexpr int kActs = 1000000;

// Named after what it holds and the writer's revision, so that a file of
// other content is never taken for it.
QString jetFile()
{
    return QDir::tempPath() +
           QStringLiteral("/brivoline-bench-jet-1/BRIVOLINE_%1_%2.MDB").arg(kPersons).arg(kActs);
}

// A row of the table's columns, NULL where none is given.
std::vector<JetWriter::Value> row(const JetHousehold::TableLayout& table,
                                  const std::map<QString, JetWriter::Value>& values)
{
    std::vector<JetWriter::Value> r;
    for (const JetWriter::Column& c : table.columns) {
        const auto it = values.find(c.name);
        r.push_back(it == values.end()
                        ? (c.type == JetWriter::Type::Boolean ? JetWriter::Value(false) : JetWriter::null())
                        : it->second);
    }
    return r;
}

void writeJetFile(const QString& path)
{
    const DbConfig source =
        BenchSupport::copyTemplateDatabase(BenchSupport::scratchFile(QStringLiteral("template/")));
    JetHousehold::toWindowsLayout(source.databaseFile());
    JetHousehold::Writer writer(source.databaseFile(), path);
    const JetHousehold::TableLayout& person = writer.table(QStringLiteral("PERSON"));
    const JetHousehold::TableLayout& act = writer.table(QStringLiteral("ACTION"));
    const QString history =
        QStringLiteral("Antécédents : rougeole à 3 ans, appendicectomie en 1994, allergie aux "
                       "pénicillines ; suivi cardiologique annuel depuis 2010. ")
            .repeated(4);
    for (int p = 1; p <= kPersons; ++p)
        writer.addRow(QStringLiteral("PERSON"),
                      row(person, {{QStringLiteral("Id"), std::int64_t(p)},
                                   {QStringLiteral("Id_File"), std::int64_t(0)},
                                   {QStringLiteral("Name"), QStringLiteral("Famille %1").arg(p / 4)},
                                   {QStringLiteral("ForeName"), QStringLiteral("Prénom %1").arg(p)},
                                   {QStringLiteral("BirthDay_Date"), QStringLiteral("14/02/1983")},
                                   {QStringLiteral("BirthDay_City"), QStringLiteral("Saint-Étienne")},
                                   {QStringLiteral("BirthDay_Weight"), 3.21},
                                   {QStringLiteral("Previous"), history},
                                   {QStringLiteral("WeightMode"), std::int64_t(1)},
                                   {QStringLiteral("SizeMode"), std::int64_t(1)},
                                   {QStringLiteral("AnalysisMode"), std::int64_t(1)}}));
    for (int a = 1; a <= kActs; ++a) {
        const QDate day = QDate(1990, 1, 1).addDays(a % 12000);
        writer.addRow(QStringLiteral("ACTION"),
                      row(act, {{QStringLiteral("Id"), std::int64_t(a)},
                                {QStringLiteral("Id_File"), std::int64_t(0)},
                                {QStringLiteral("Id_Ref"), std::int64_t(1 + a % kPersons)},
                                {QStringLiteral("Tag"), std::int64_t(1 + a % 2)},
                                {QStringLiteral("Id_Org"), std::int64_t(1 + a % 40)},
                                {QStringLiteral("Date_Action"), JetWriter::date(day)},
                                {QStringLiteral("Time_Action"), QStringLiteral("09:15")},
                                {QStringLiteral("Remark1"), QStringLiteral("Consultation n° %1").arg(a)},
                                {QStringLiteral("Remark2"),
                                 a % 4 ? JetWriter::null()
                                       : JetWriter::Value(QStringLiteral("Revoir dans trois mois"))},
                                {QStringLiteral("Gravity"), QStringLiteral("Bénigne")},
                                {QStringLiteral("Price"), JetWriter::Money{250000 + a % 1000}},
                                {QStringLiteral("Repayment"), a % 3 != 0},
                                {QStringLiteral("Date_Repayment"), JetWriter::date(day.addDays(8))},
                                {QStringLiteral("Price_Repayment"), JetWriter::Money{175000}},
                                {QStringLiteral("Repayment_Comp"), a % 5 == 0}}));
    }
    writer.finish();
}

void prepare()
{
    if (!QFileInfo::exists(jetFile())) {
        QDir().mkpath(QFileInfo(jetFile()).path());
        const QString partial = jetFile() + QStringLiteral(".partial");
        writeJetFile(partial);
        if (!QFile::rename(partial, jetFile()))
            qFatal("the Jet file cannot be kept");
    }
    ProgramState& state = program();
    state.folders.program = QStringLiteral(BRIVOLINE_PROGRAM_DIR);
    state.folders.data = BenchSupport::scratchFile(QStringLiteral("data/"));
    QDir().mkpath(state.folders.data);
}

void BM_ConvertWindowsDatabase(benchmark::State& state)
{
    const QString staging = BenchSupport::scratchFile(QStringLiteral("staging/"));
    for (auto _ : state) {
        state.PauseTiming();
        QDir(staging).removeRecursively();
        QDir().mkpath(staging);
        state.ResumeTiming();
        try {
            WindowsDatabase::convert(jetFile(), staging + QStringLiteral("BRIVOLINE.MDB"), staging,
                                     program().folders, {});
        } catch (const AppError& e) {
            state.SkipWithError(qPrintable(e.text()));
        }
    }
    state.counters["jet_MB"] = static_cast<double>(QFileInfo(jetFile()).size()) / (1 << 20);
    state.counters["sqlite_MB"] =
        static_cast<double>(QFileInfo(staging + QStringLiteral("BRIVOLINE.MDB")).size()) / (1 << 20);
}
BENCHMARK(BM_ConvertWindowsDatabase)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The tables alone, what the peer below does: every row written into the
// new file with its indexes, without the update scripts (the search index
// built over every act) and the checks that the whole conversion adds.
void BM_ConvertTablesOnly(benchmark::State& state)
{
    const QString target = BenchSupport::scratchFile(QStringLiteral("tables.db"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
        try {
            JetConversion::convert(Jet::File(jetFile()), target, {});
        } catch (const AppError& e) {
            state.SkipWithError(qPrintable(e.text()));
        }
    }
}
BENCHMARK(BM_ConvertTablesOnly)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// mdb-schema and mdb-export write every table as SQL, the sqlite3 shell
// loads it in one transaction.
void BM_Peer_mdbexport_sqlite3(benchmark::State& state)
{
    const QString target = BenchSupport::scratchFile(QStringLiteral("peer.db"));
    const QString script =
        QStringLiteral("f='%1'; ( echo 'BEGIN;'; mdb-schema --no-indexes --no-relations \"$f\" sqlite; "
                       "mdb-tables -1 \"$f\" | while read -r t; do mdb-export -I sqlite \"$f\" \"$t\" "
                       "|| exit 1; done; echo 'COMMIT;' ) | sqlite3 -bail '%2'")
            .arg(jetFile(), target);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
        if (QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}) != 0)
            state.SkipWithError("mdb-export or sqlite3 failed");
    }
    // The peer's processor time, its children's, beside the program's own figure.
    rusage children = {};
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["peer_cpu_s"] =
        static_cast<double>(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
        static_cast<double>(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
    const QByteArray acts =
        BenchSupport::sqliteShell(target, QStringLiteral("SELECT count(*) FROM ACTION;")).trimmed();
    if (acts.toInt() != kActs)
        state.SkipWithError("the peer lost acts");
}
BENCHMARK(BM_Peer_mdbexport_sqlite3)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .application = BenchSupport::Application::Core});
}
