#include "BenchSupport.h"

#include "ProgramState.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace BenchSupport {

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

QString scratchFile(const QString& name)
{
    return scratch().path() + QLatin1Char('/') + name;
}

void run(QSqlQuery& q, const QString& sql, const QVariantList& values)
{
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("%s", qPrintable(sql));
}

void insertPractitioners(QSqlQuery& q)
{
    for (int i = 0; i < 40; ++i)
        run(q, QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES (?, ?)"),
            {QStringLiteral("Docteur %1").arg(i), i % 3 ? QStringLiteral("Généraliste") : QString()});
}

DbConfig copyTemplateDatabase(const QString& databaseFolder)
{
    DbConfig config;
    config.databaseFolder = databaseFolder;
    for (const char* sub : {"Access", "Images", "Files"})
        QDir().mkpath(databaseFolder + QString::fromLatin1(sub));
    QFile::remove(config.databaseFile());
    if (!QFile::copy(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Ressources/DB/Data/Access/BRIVOLINE.MDB"),
                     config.databaseFile()))
        qFatal("the template database is missing: build the program first");
    QFile(config.databaseFile()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return config;
}

void Household::open()
{
    copyTemplateDatabase(scratch().path() + QStringLiteral("/Data/"));
    openOn(scratch().path() + QLatin1Char('/'));
}

void Household::openOn(const QString& dataFolder)
{
    data = dataFolder;
    config.databaseFolder = data + QStringLiteral("Data/");
    ProgramState& state = program();
    state.folders.data = data;
    state.folders.iniFileName = QStringLiteral("brivoline.ini");
    state.folders.database = config.databaseFolder;
    state.db = config;
    dataModule = std::make_unique<TDataModule1>(config);
    dataModule2 = std::make_unique<TDataModule2>();
}

void Household::close()
{
    dataModule2.reset();
    dataModule.reset();
}

Household& household()
{
    static Household h;
    return h;
}

QByteArray sqliteShell(const QString& databaseFile, const QString& statements)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {databaseFile});
    sqlite.write(statements.toUtf8());
    sqlite.closeWriteChannel();
    if (!sqlite.waitForFinished(-1) || sqlite.exitCode() != 0)
        qFatal("sqlite3 failed: %s", sqlite.readAllStandardError().constData());
    return sqlite.readAllStandardOutput();
}

ShellTime sqliteShellOwnTime(const QString& databaseFile, const QString& statements)
{
    ShellTime time;
    const QByteArray output = sqliteShell(databaseFile, QStringLiteral(".timer on\n") + statements);
    for (const QByteArray& line : output.split('\n')) {
        if (!line.startsWith("Run Time: ")) {
            time.bytes += line.size() + 1;
            continue;
        }
        // "Run Time: real 0.016 user 0.012000 sys 0.004000"
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 8)
            qFatal("unexpected timer line of the sqlite3 shell: %s", line.constData());
        time.real += words.at(3).toDouble();
        time.cpu += words.at(5).toDouble() + words.at(7).toDouble();
    }
    return time;
}

void timeShell(benchmark::State& state, const QString& databaseFile, const QString& statements)
{
    double cpu = 0;
    double process = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        QElapsedTimer started;
        started.start();
        const ShellTime time = sqliteShellOwnTime(databaseFile, statements);
        process += static_cast<double>(started.nsecsElapsed()) / 1e9;
        state.SetIterationTime(time.real);
        cpu += time.cpu;
        bytes = time.bytes;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    state.counters["process_ms"] = benchmark::Counter(process * 1000, benchmark::Counter::kAvgIterations);
    state.counters["bytes"] = static_cast<double>(bytes);
}

int runBenchmarks(int argc, char** argv, const Setup& setup)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    switch (setup.application) {
    case Application::Core:
        app = std::make_unique<QCoreApplication>(argc, argv);
        break;
    case Application::Gui:
        app = std::make_unique<QGuiApplication>(argc, argv);
        break;
    case Application::Widgets:
        app = std::make_unique<QApplication>(argc, argv);
        break;
    }
    benchmark::Initialize(&argc, argv);
    if (setup.prepare)
        setup.prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (setup.teardown)
        setup.teardown();
    household().close();
    return 0;
}

} // namespace BenchSupport
