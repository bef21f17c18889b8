// A household of 10 000 persons' records measured from the user's side:
// 1 000 000 acts, 100 000 measures, 20 000 pictures (a photo and a picture
// document each), 5 000 attached files, with vaccinations and events
// (HouseholdBuilder says what one record holds). --records=1000 or
// BRIVOLINE_HOUSEHOLD_RECORDS=1000 takes a household of 1 000 records, so
// that the two runs tell how each figure grows.
// The household is built once into a cache folder (beside this program, or
// BRIVOLINE_HOUSEHOLD_CACHE), provisioned by the real program's first start,
// and rebuilt only when the builder or the template's schema changes. Each
// run works on a copy of it (the database copied, the pictures and attached
// files linked), so the backups and restores below change nothing cached.
// - the real program started on it until its main window shows, beside the
//   same start on an empty household;
// - the main window built in this process, and its statements in the
//   sqlite3 shell;
// - moving to the next person with each page showing, and the statements of
//   one such move in the sqlite3 shell; the rows a move reads and the
//   engine's steps are counted, so a page that reads more than the
//   person's own rows shows;
// - the reimbursement synthesis and the HTML health sheet of one person,
//   each beside its statements in the sqlite3 shell;
// - a backup beside gcab -c -z, and a restore beside cabextract.
// Wall time is the benchmark's time; "CPU" counts this process's threads,
// child_cpu_ms what the processes it started used; load1 is the machine's
// load when the benchmark ended. BRIVOLINE_HOUSEHOLD_STATEMENTS=1 lists the
// statements each traced step ran.
#include "BackupArchive.h"
#include "BenchSupport.h"
#include "Connection.h"
#include "GrowthChartPanel.h"
#include "HouseholdBuilder.h"
#include "HtmlExport.h"
#include "Measurements.h"
#include "OrderlyClose.h"
#include "PersonListModel.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "ReferenceTables.h"
#include "ReimbursementSynthesis.h"
#include "Restore.h"
#include "TMainForm.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <optional>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDriver>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using BenchSupport::household;
using BenchSupport::scratchFile;

constexpr int kBuilderVersion = 1;
const QString kProgram = QStringLiteral(BRIVOLINE_PROGRAM_DIR "brivoline");

int g_records = 10000;
QString g_home;      // the working copy's home folder: HOME of the real program
QString g_data;      // its data folder, ending with '/'
QString g_emptyHome; // a home whose records are the template's
std::unique_ptr<TMainForm> g_window;
int g_person = -1; // the person the pages and pages of HTML are measured on

// --- the machine ---------------------------------------------------------

double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toDouble() : -1;
}

// CPU milliseconds of the finished child processes so far.
double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void machineCounters(benchmark::State& state, double childCpuBefore)
{
    state.counters["load1"] = loadAverage();
    state.counters["records"] = g_records;
    if (childCpuBefore >= 0)
        state.counters["child_cpu_ms"] =
            benchmark::Counter(childCpuMs() - childCpuBefore, benchmark::Counter::kAvgIterations);
}

// --- the real program ----------------------------------------------------

struct Start
{
    double shownMs = 0;   // from its start until its main window showed, as it says
    double processMs = 0; // the whole process, closing included
};

// The real program on the offscreen platform with that home, as
// bench/startup.sh starts it: it shows its main window and closes.
Start startProgram(const QString& home)
{
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("BRIVOLINE_QUIT_AFTER_SHOW"), QStringLiteral("1"));
    env.insert(QStringLiteral("BRIVOLINE_MESSAGE_LOG"), home + QStringLiteral("/messages.log"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    program.start(kProgram, {});
    if (!program.waitForFinished(-1) || program.exitStatus() != QProcess::NormalExit ||
        program.exitCode() != 0)
        qFatal("the program did not start on %s: %s", qPrintable(home), program.readAll().constData());
    Start start;
    start.processMs = clock.nsecsElapsed() / 1e6;
    const QRegularExpressionMatch shown = QRegularExpression(QStringLiteral("shown-after-ms (\\d+)"))
                                              .match(QString::fromUtf8(program.readAll()));
    if (!shown.hasMatch())
        qFatal("the program did not show its window on %s", qPrintable(home));
    start.shownMs = shown.captured(1).toDouble();
    return start;
}

// The data folder the program made under that home.
QString dataFolderIn(const QString& home)
{
    QDirIterator it(home + QStringLiteral("/Documents"), {QStringLiteral("db.ini")}, QDir::Files,
                    QDirIterator::Subdirectories);
    if (!it.hasNext())
        qFatal("no data folder under %s", qPrintable(home));
    return QFileInfo(it.next()).absolutePath() + QLatin1Char('/');
}

// --- the household, built once -------------------------------------------

int recordsAsked()
{
    for (const QString& argument : QCoreApplication::arguments())
        if (argument.startsWith(QLatin1String("--records=")))
            return argument.mid(10).toInt();
    const QByteArray env = qgetenv("BRIVOLINE_HOUSEHOLD_RECORDS");
    return env.isEmpty() ? 10000 : env.toInt();
}

QString cacheFolder()
{
    const QString asked = qEnvironmentVariable("BRIVOLINE_HOUSEHOLD_CACHE");
    const QString base =
        asked.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/household-cache") : asked;
    return base + QStringLiteral("/%1/").arg(g_records);
}

// What the cached household was built from: the builder and the schema
// the program makes its databases with.
QByteArray stamp()
{
    const QByteArray schema = BenchSupport::sqliteShell(
        QStringLiteral(BRIVOLINE_PROGRAM_DIR "Ressources/DB/Data/Access/BRIVOLINE.MDB"),
        QStringLiteral("SELECT sql FROM sqlite_master ORDER BY name;\n"));
    return QByteArray::number(kBuilderVersion) + ' ' + QByteArray::number(g_records) + ' ' +
           QCryptographicHash::hash(schema, QCryptographicHash::Sha256).toHex() + '\n';
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The cached home of the household, built when missing or out of date.
QString cachedHome()
{
    const QString folder = cacheFolder();
    const QByteArray wanted = stamp();
    if (readAll(folder + QStringLiteral("stamp")) == wanted)
        return folder + QStringLiteral("home");
    QDir(folder).removeRecursively();
    const QString building = folder.chopped(1) + QStringLiteral(".building/");
    QDir(building).removeRecursively();
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = double(std::clock()) / CLOCKS_PER_SEC;
    // The real program's first start provisions the records, as for a user.
    startProgram(building + QStringLiteral("home"));
    const QString data = dataFolderIn(building + QStringLiteral("home"));
    const HouseholdBuilder::Counts c = HouseholdBuilder::fill(data + QStringLiteral("Data/"), g_records);
    const double databaseMB = QFileInfo(data + QStringLiteral("Data/Access/BRIVOLINE.MDB")).size() / 1e6;
    QFile out(building + QStringLiteral("stamp"));
    if (!out.open(QIODevice::WriteOnly) || out.write(wanted) != wanted.size())
        qFatal("cannot write the household's stamp");
    out.close();
    if (!QDir().rename(building, folder))
        qFatal("cannot put the household in place at %s", qPrintable(folder));
    std::fprintf(
        stderr,
        "household built in %.1f s (%.1f s CPU): %lld persons, %lld acts, %lld measures, %lld pictures, "
        "%lld attached files, database %.0f MB\n",
        clock.elapsed() / 1e3, double(std::clock()) / CLOCKS_PER_SEC - cpuBefore,
        static_cast<long long>(c.persons), static_cast<long long>(c.acts), static_cast<long long>(c.measures),
        static_cast<long long>(c.pictures), static_cast<long long>(c.files), databaseMB);
    return folder + QStringLiteral("home");
}

// A working copy of a home: every file copied, but the pictures and
// attached files, which the program only ever replaces by a rename, linked.
void copyHome(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = source.mid(from.size());
        if (relative.startsWith(QLatin1String("/run/")))
            continue;
        const QString target = to + relative;
        QDir().mkpath(QFileInfo(target).absolutePath());
        const QString folder = it.fileInfo().dir().dirName();
        const bool stored = folder == QLatin1String("Images") || folder == QLatin1String("Files");
        if (!(stored &&
              ::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0) &&
            !QFile::copy(source, target))
            qFatal("cannot copy %s", qPrintable(source));
    }
}

void prepare()
{
    g_records = recordsAsked();
    const QString cached = cachedHome();
    g_home = scratchFile(QStringLiteral("home"));
    copyHome(cached, g_home);
    g_data = dataFolderIn(g_home);
    g_emptyHome = scratchFile(QStringLiteral("empty"));
    startProgram(g_emptyHome); // the first start, which provisions
    program().folders.program = QStringLiteral(BRIVOLINE_PROGRAM_DIR);
    ::sync();
}

// --- the household in this process ---------------------------------------

bool g_open = false;

void openHousehold()
{
    if (g_open)
        return;
    household().openOn(g_data);
    household().dataModule->Person.open();
    g_open = true;
}

void closeHousehold()
{
    g_window.reset();
    if (g_open)
        household().close();
    g_open = false;
}

std::unique_ptr<TMainForm> makeWindow()
{
    BenchSupport::Household& h = household();
    auto window = ProgramAssembly::mainWindow(*h.dataModule, *h.dataModule2);
    window->show();
    QApplication::processEvents();
    return window;
}

// The main window on the person in the middle of the list.
TMainForm& window()
{
    openHousehold();
    if (!g_window) {
        g_window = makeWindow();
        const QAbstractItemModel* list =
            g_window->findChild<QListView*>(QStringLiteral("Grid_PersonList"))->model();
        g_person = list->index(list->rowCount() / 2, 0).data(PersonListModel::IdRole).toInt();
        g_window->RefreshPersonList(g_person);
        QApplication::processEvents();
        g_person = household().dataModule->Person.field(QStringLiteral("Id")).asInteger();
    }
    return *g_window;
}

// What the program's connection runs while one is alive: each statement
// as the engine ran it (values in place), the rows it returned, the
// engine's steps and those of them that walked a whole table.
class StatementTrace
{
public:
    StatementTrace()
    {
        const QVariant handle = Connection::database().driver()->handle();
        m_db = *static_cast<sqlite3* const*>(handle.constData());
        sqlite3_trace_v2(m_db, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW | SQLITE_TRACE_PROFILE,
                         &StatementTrace::seen, this);
    }
    ~StatementTrace() { sqlite3_trace_v2(m_db, 0, nullptr, nullptr); }
    StatementTrace(const StatementTrace&) = delete;
    StatementTrace& operator=(const StatementTrace&) = delete;

    QStringList statements;
    qint64 rows = 0;
    qint64 steps = 0;
    qint64 fullScanSteps = 0;

    void report(benchmark::State& state) const
    {
        state.counters["statements"] = double(statements.size());
        state.counters["rows_read"] = double(rows);
        state.counters["engine_steps"] = double(steps);
        state.counters["full_scan_steps"] = double(fullScanSteps);
        // BRIVOLINE_HOUSEHOLD_STATEMENTS=1 lists them, each cut short.
        if (qEnvironmentVariableIsSet("BRIVOLINE_HOUSEHOLD_STATEMENTS"))
            for (const QString& s : statements)
                std::fprintf(stderr, "statement: %s\n", qPrintable(s.left(400)));
    }

private:
    static int seen(unsigned type, void* self, void* statement, void* text)
    {
        auto* trace = static_cast<StatementTrace*>(self);
        auto* stmt = static_cast<sqlite3_stmt*>(statement);
        switch (type) {
        case SQLITE_TRACE_STMT:
            if (qstrncmp(static_cast<const char*>(text), "--", 2) != 0) { // not a trigger's
                sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_VM_STEP, 1);
                sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_FULLSCAN_STEP, 1);
                char* expanded = sqlite3_expanded_sql(stmt);
                trace->statements << QString::fromUtf8(expanded ? expanded : static_cast<const char*>(text));
                sqlite3_free(expanded);
            }
            break;
        case SQLITE_TRACE_ROW:
            ++trace->rows;
            break;
        case SQLITE_TRACE_PROFILE:
            trace->steps += sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_VM_STEP, 1);
            trace->fullScanSteps += sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_FULLSCAN_STEP, 1);
            break;
        default:
            break;
        }
        return 0;
    }

    sqlite3* m_db = nullptr;
};

// --- the sqlite3 shell on the same statements ----------------------------

QString shellScript(const QStringList& statements)
{
    QString script = QStringLiteral(".timer on\n.output /dev/null\n");
    for (const QString& s : statements)
        script += s + QStringLiteral(";\n");
    return script;
}

// The statements' own CPU time, as the shell's timer gives it.
double statementCpuMs(const QByteArray& timerLines)
{
    double total = 0;
    static const QRegularExpression line(QStringLiteral("user ([0-9.]+) sys ([0-9.]+)"));
    auto it = line.globalMatch(QString::fromUtf8(timerLines));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        total += (m.captured(1).toDouble() + m.captured(2).toDouble()) * 1e3;
    }
    return total;
}

// The shell running the statements once an iteration; its start alone is
// measured beside, so the statements' share shows.
void shellPeer(benchmark::State& state, const std::optional<QStringList>& statements)
{
    if (!statements) {
        state.SkipWithError("the statements were not traced: run the benchmark they come from first");
        return;
    }
    if (statements->isEmpty()) {
        state.SkipWithError("no statement: the step reads nothing from the database");
        return;
    }
    const QString file = household().config.databaseFile();
    const QString script = shellScript(*statements);
    QElapsedTimer clock;
    clock.start();
    BenchSupport::sqliteShell(file, QStringLiteral(".timer on\n"));
    state.counters["shell_start_ms"] = clock.nsecsElapsed() / 1e6;
    const double cpu = childCpuMs();
    double statementCpu = 0;
    for (auto _ : state)
        statementCpu += statementCpuMs(BenchSupport::sqliteShell(file, script));
    state.counters["statements"] = double(statements->size());
    state.counters["statement_cpu_ms"] = benchmark::Counter(statementCpu, benchmark::Counter::kAvgIterations);
    machineCounters(state, cpu);
}

// --- start ---------------------------------------------------------------

// Argument 0: the template's empty records; 1: the household after an
// orderly close (the first start, which finds no record of one, is left
// out); 2: the household after an unclean end, the whole file checked.
void BM_StartRealProgram(benchmark::State& state)
{
    const bool full = state.range(0) >= 1;
    const bool unclean = state.range(0) == 2;
    state.SetLabel(full ? (unclean ? "household, unclean end" : "household, closed in order")
                        : "empty records");
    const QString home = full ? g_home : g_emptyHome;
    const QString database = g_data + QStringLiteral("Data/Access/BRIVOLINE.MDB");
    if (full && !unclean)
        startProgram(home);
    const double cpu = childCpuMs();
    double process = 0;
    for (auto _ : state) {
        if (unclean)
            OrderlyClose::forget(database);
        const Start start = startProgram(home);
        state.SetIterationTime(start.shownMs / 1e3);
        process += start.processMs;
    }
    state.counters["process_ms"] = benchmark::Counter(process, benchmark::Counter::kAvgIterations);
    machineCounters(state, cpu);
}
BENCHMARK(BM_StartRealProgram)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// The engine's quick check of the whole database, which a start after an
// unclean end runs before the main window, in the sqlite3 shell.
void BM_StartQuickCheck_Sqlite3Shell(benchmark::State& state)
{
    const QString file = g_data + QStringLiteral("Data/Access/BRIVOLINE.MDB");
    const double cpu = childCpuMs();
    for (auto _ : state)
        BenchSupport::sqliteShell(file, QStringLiteral("PRAGMA quick_check;\n"));
    state.counters["database_MB"] = QFileInfo(file).size() / 1e6;
    machineCounters(state, cpu);
}
BENCHMARK(BM_StartQuickCheck_Sqlite3Shell)->UseRealTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// What a move to another person costs in the person dataset alone, with
// no window: the dataset finds the person's row (Dataset::locateId).
void BM_PersonDatasetLocate(benchmark::State& state)
{
    closeHousehold();
    openHousehold();
    Dataset& persons = household().dataModule->Person;
    const int middle = persons.recordCount() / 2;
    const int ids[] = {persons.fieldAt(middle, persons.fieldIndex(QStringLiteral("Id"))).asInteger(),
                       persons.fieldAt(middle + 1, persons.fieldIndex(QStringLiteral("Id"))).asInteger()};
    int turn = 0;
    for (auto _ : state)
        persons.locateId(ids[++turn % 2]);
    state.counters["persons"] = persons.recordCount();
    machineCounters(state, -1);
}
BENCHMARK(BM_PersonDatasetLocate)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

std::optional<QStringList> g_startStatements;

// The main window built and shown in this process, data modules open: the
// part of the start that reads the records.
void BM_MainWindowInProcess(benchmark::State& state)
{
    closeHousehold();
    openHousehold();
    for (auto _ : state)
        makeWindow().reset();
    StatementTrace trace;
    makeWindow().reset();
    trace.report(state);
    g_startStatements = trace.statements;
    machineCounters(state, -1);
}
BENCHMARK(BM_MainWindowInProcess)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_MainWindowStatements_Sqlite3Shell(benchmark::State& state)
{
    shellPeer(state, g_startStatements);
}
BENCHMARK(BM_MainWindowStatements_Sqlite3Shell)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// --- moving to the next person -------------------------------------------

const char* const kPageNames[] = {"Général",  "Antécédents", "Personnalisé", "Actes",     "Médicaments",
                                  "Analyses", "Vaccins",     "Documents",    "Evénements"};
std::optional<QStringList> g_switchStatements[TMainForm::PageCount];

// One step down the list, or up once the walk has gone far enough, so
// that every step is a real move near the middle of the list.
void step(TMainForm& w, int& moved)
{
    if ((moved / 25) % 2 == 0)
        w.showNextPerson();
    else
        w.showPriorPerson();
    ++moved;
    QApplication::processEvents();
}

void BM_NextPerson(benchmark::State& state)
{
    const int page = static_cast<int>(state.range(0));
    state.SetLabel(kPageNames[page]);
    TMainForm& w = window();
    w.showPage(page);
    w.RefreshPersonList(g_person);
    QApplication::processEvents();
    int moved = 0;
    for (auto _ : state)
        step(w, moved);
    StatementTrace trace;
    step(w, moved);
    trace.report(state);
    g_switchStatements[page] = trace.statements;
    machineCounters(state, -1);
}
BENCHMARK(BM_NextPerson)
    ->DenseRange(0, TMainForm::PageCount - 1)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);

void BM_NextPersonStatements_Sqlite3Shell(benchmark::State& state)
{
    const int page = static_cast<int>(state.range(0));
    state.SetLabel(kPageNames[page]);
    shellPeer(state, g_switchStatements[page]);
}
BENCHMARK(BM_NextPersonStatements_Sqlite3Shell)
    ->DenseRange(0, TMainForm::PageCount - 1)
    ->UseRealTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// --- the HTML pages of one person ----------------------------------------

std::optional<QStringList> g_synthesisStatements;
std::optional<QStringList> g_sheetStatements;

template <typename Write>
void htmlPage(benchmark::State& state, std::optional<QStringList>& statements, Write write)
{
    window();
    for (auto _ : state)
        write(HtmlExport::prepareFolder(household().data));
    StatementTrace trace;
    write(HtmlExport::prepareFolder(household().data));
    trace.report(state);
    statements = trace.statements;
    machineCounters(state, -1);
}

void BM_ReimbursementSynthesis(benchmark::State& state)
{
    htmlPage(state, g_synthesisStatements,
             [](const QString& folder) { ReimbursementSynthesis::write(g_person, folder); });
}
BENCHMARK(BM_ReimbursementSynthesis)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_ReimbursementSynthesisStatements_Sqlite3Shell(benchmark::State& state)
{
    shellPeer(state, g_synthesisStatements);
}
BENCHMARK(BM_ReimbursementSynthesisStatements_Sqlite3Shell)
    ->UseRealTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// The sheet as the "Html" menu writes it: the growth charts as the
// program lends them, the shipped growth references.
void BM_HealthSheet(benchmark::State& state)
{
    TDataModule1& dm = *household().dataModule;
    htmlPage(state, g_sheetStatements, [&dm](const QString& folder) {
        const HtmlExport::Sources sources{
            dm.databaseFolder(),
            [&dm](int person, TDataModuleReport::Chart chart, QSize size) {
                return GrowthChartPanel::picture(
                    dm,
                    chart == TDataModuleReport::Chart::Weight ? MeasureKind::weight() : MeasureKind::size(),
                    person, size);
            },
            &GrowthReference::shipped(program().folders.program)};
        HtmlExport::writeHealthSheet(g_person, folder, sources);
    });
}
BENCHMARK(BM_HealthSheet)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_HealthSheetStatements_Sqlite3Shell(benchmark::State& state)
{
    shellPeer(state, g_sheetStatements);
}
BENCHMARK(BM_HealthSheetStatements_Sqlite3Shell)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// --- backup and restore --------------------------------------------------

RecordSet records()
{
    return {QStringLiteral(BRIVOLINE_PROGRAM_DIR), g_data, g_data + QStringLiteral("Data/"),
            QStringLiteral("Access/BRIVOLINE.MDB")};
}

QString archivePath()
{
    return scratchFile(QStringLiteral("household.bkp"));
}

double contentMB(const RecordSet& set)
{
    qint64 total = 0;
    for (const Cabinet::Member& m : BackupArchive::members(set))
        total += QFileInfo(m.path).size();
    return total / 1e6;
}

void runTool(const QString& tool, const QStringList& arguments, const QString& folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(tool, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(tool), process.readAllStandardError().constData());
}

// The backup command's work (the database compacted, the archive written,
// read back and compared), the records closed as the command closes them.
void BM_Backup(benchmark::State& state)
{
    closeHousehold();
    const RecordSet set = records();
    const QString target = set.backupFolder() + QStringLiteral("sauvegarde.bkp");
    QDir().mkpath(set.backupFolder()); // as the command makes it
    NoProgress silent;
    ::sync();
    for (auto _ : state)
        BackupArchive::backup(set, target, silent);
    state.counters["content_MB"] = contentMB(set);
    state.counters["archive_MB"] = QFileInfo(target).size() / 1e6;
    QFile::remove(archivePath());
    QFile::rename(target, archivePath());
    machineCounters(state, -1);
}
BENCHMARK(BM_Backup)->UseRealTime()->MeasureProcessCPUTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_GcabCreate_Peer(benchmark::State& state)
{
    closeHousehold();
    const RecordSet set = records();
    const QString peer = scratchFile(QStringLiteral("peer.cab"));
    QStringList arguments{QStringLiteral("-c"), QStringLiteral("-z"), peer, set.databaseName};
    for (const Cabinet::Member& m : BackupArchive::members(set))
        if (!m.path.endsWith(set.databaseName))
            arguments << m.path.mid(set.databaseFolder.size());
    const double cpu = childCpuMs();
    ::sync();
    for (auto _ : state)
        runTool(QStringLiteral("gcab"), arguments, set.databaseFolder);
    state.counters["archive_MB"] = QFileInfo(peer).size() / 1e6;
    QFile::remove(peer);
    machineCounters(state, cpu);
}
BENCHMARK(BM_GcabCreate_Peer)->UseRealTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The restore command's work from the backup above: staged, checked, the
// current records kept as a safety archive, swapped.
void BM_Restore(benchmark::State& state)
{
    closeHousehold();
    const RecordSet set = records();
    NoProgress silent;
    if (!QFileInfo::exists(archivePath()))
        BackupArchive::write(set, archivePath(), silent);
    ::sync();
    for (auto _ : state) {
        const QString safety = Restore::run(set, archivePath(), silent, nullptr).safetyArchive;
        state.PauseTiming();
        QFile::remove(safety);
        ::sync();
        state.ResumeTiming();
    }
    state.counters["archive_MB"] = QFileInfo(archivePath()).size() / 1e6;
    machineCounters(state, -1);
}
BENCHMARK(BM_Restore)->UseRealTime()->MeasureProcessCPUTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Cabextract_Peer(benchmark::State& state)
{
    closeHousehold();
    NoProgress silent;
    if (!QFileInfo::exists(archivePath()))
        BackupArchive::write(records(), archivePath(), silent);
    const QString out = scratchFile(QStringLiteral("peer/"));
    const double cpu = childCpuMs();
    ::sync();
    for (auto _ : state) {
        runTool(QStringLiteral("cabextract"),
                {QStringLiteral("-q"), QStringLiteral("-d"), out, archivePath()});
        state.PauseTiming();
        QDir(out).removeRecursively();
        ::sync();
        state.ResumeTiming();
    }
    machineCounters(state, cpu);
}
BENCHMARK(BM_Cabextract_Peer)->UseRealTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .teardown = [] { g_window.reset(); }});
}
