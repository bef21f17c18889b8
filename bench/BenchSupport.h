#pragma once

#include "Connection.h"
#include "TDataModule1.h"
#include "TDataModule2.h"

#include <functional>
#include <memory>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

namespace benchmark {
class State;
}

// What every benchmark program sets up the same way: its scratch folder, a
// household database made from the built template, the sqlite3 shell as a
// peer, and main().
namespace BenchSupport {

// One scratch folder per benchmark program, removed when it ends.
QTemporaryDir& scratch();
QString scratchFile(const QString& name);

// Runs one statement with its values; a failure stops the program, as the
// figures of a half-filled database would mean nothing.
void run(QSqlQuery& q, const QString& sql, const QVariantList& values = {});

// The practitioners' list: "Docteur 0" to "Docteur 39", two in three of them
// general practitioners.
void insertPractitioners(QSqlQuery& q);

// A fresh, writable copy of the built template database in the folder (which
// ends with '/'), beside its Images/ and Files/ folders. Stops the program when
// the template has not been built.
DbConfig copyTemplateDatabase(const QString& databaseFolder);

// A household as the program holds it once started: the scratch folder as the
// data folder, a fresh template copy in its Data/ folder, program()'s folders
// and database pointing there, and the two data modules opened on it.
struct Household
{
    QString data; // ends with '/'
    DbConfig config;
    std::unique_ptr<TDataModule1> dataModule;
    std::unique_ptr<TDataModule2> dataModule2;

    void open();
    // The same on the records already in a data folder (ending with '/'),
    // whose database is Data/Access/BRIVOLINE.MDB.
    void openOn(const QString& dataFolder);
    // The data modules gone, and with them the connection.
    void close();
};

// The program's one household; runBenchmarks closes it after teardown, while
// the application still exists.
Household& household();

// The sqlite3 shell on a database file, the statements given on its standard
// input; returns all it wrote. A failure stops the program.
QByteArray sqliteShell(const QString& databaseFile, const QString& statements);

// The shell's own time for the statements (its ".timer" lines added up):
// running them and writing their rows, without starting its process.
struct ShellTime
{
    double real = 0;  // seconds
    double cpu = 0;   // user and system seconds
    qint64 bytes = 0; // what it wrote besides its timer lines
};
ShellTime sqliteShellOwnTime(const QString& databaseFile, const QString& statements);
// The loop of a benchmark of the shell (registered with UseManualTime): its
// own real time is the benchmark's time; its own CPU time ("cpu_ms"), the
// time with its process started ("process_ms") and its output size are
// counters.
void timeShell(benchmark::State& state, const QString& databaseFile, const QString& statements);

enum class Application
{
    Core,
    Gui,
    Widgets
};

struct Setup
{
    std::function<void()> prepare = nullptr;  // after the command line is read
    std::function<void()> teardown = nullptr; // after the benchmarks, before the household closes
    Application application = Application::Widgets;
};

// The whole of a benchmark program's main(): the application on the offscreen
// platform, the command line, prepare, the benchmarks it names, teardown.
int runBenchmarks(int argc, char** argv, const Setup& setup = {});

} // namespace BenchSupport
