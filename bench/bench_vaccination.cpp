// The booster reminders of a person with 2 000 injections of 30 vaccines,
// beside the sqlite3 shell reading the same rows (with the joined names) on
// the same file in the same run: the recomputation when nothing changes and
// when every flag is to be rewritten, and the reminder window as the menu
// opens it (recomputation, query, grid) on the offscreen platform. The
// shell's times include starting its process.
#include "BoosterReminders.h"
#include "Connection.h"
#include "JetDialect.h"
#include "ProgramState.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TRepeatVaccineList.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

constexpr int kInjections = 2000;
constexpr int kVaccines = 30;

struct Household
{
    QTemporaryDir folder;
    std::unique_ptr<TDataModule1> dataModule;
    std::unique_ptr<TDataModule2> dataModule2;
    int person = 0;
};

Household& household()
{
    static Household h;
    return h;
}

void exec(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql))
        qFatal("%s", qPrintable(sql));
}

void prepare()
{
    Household& h = household();
    ProgramState& state = program();
    state.folders.data = h.folder.path() + QLatin1Char('/');
    state.db.databaseFolder = state.folders.data + QStringLiteral("Data/");
    state.folders.database = state.db.databaseFolder;
    QDir().mkpath(state.db.databaseFolder + QStringLiteral("Access"));
    if (!QFile::copy(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Ressources/DB/Data/Access/BRIVOLINE.MDB"),
                     state.db.databaseFile()))
        qFatal("the template database is missing: build the program first");
    QFile(state.db.databaseFile()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    h.dataModule = std::make_unique<TDataModule1>(state.db);
    h.dataModule2 = std::make_unique<TDataModule2>();

    QSqlQuery q(Connection::database());
    exec(q, QStringLiteral("BEGIN"));
    exec(q, QStringLiteral("INSERT INTO PERSON (Name) VALUES ('Durand')"));
    h.person = q.lastInsertId().toInt();
    exec(q, QStringLiteral("INSERT INTO PERSON (Name) VALUES ('Martin')"));
    const int other = q.lastInsertId().toInt();
    QList<int> vaccines;
    for (int v = 0; v < kVaccines; ++v) {
        exec(q, QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES ('Vaccin %1', 'Catégorie %2')")
                    .arg(v)
                    .arg(v % 4));
        vaccines << q.lastInsertId().toInt();
    }
    for (int d = 0; d < 20; ++d)
        exec(q, QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES ('Docteur %1', 'Généraliste')").arg(d));
    q.prepare(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Time_Vaccine, "
                             "Repeat_Date, Remark1) VALUES (?, ?, ?, ?, '10:00', ?, 'Lot')"));
    // Two households' worth of rows, so the person's rows are picked out of more.
    for (const int person : {h.person, other})
        for (int i = 0; i < kInjections; ++i) {
            const QDate given = QDate(1990, 1, 1).addDays(i * 6);
            q.addBindValue(person);
            q.addBindValue(1 + i % 20);
            q.addBindValue(vaccines.at(i % kVaccines));
            q.addBindValue(given.toString(QStringLiteral("yyyy-MM-dd")));
            q.addBindValue(i % 5 == 4 ? QVariant() : QVariant(given.addYears(5).toString(QStringLiteral("yyyy-MM-dd"))));
            if (!q.exec())
                qFatal("insert failed");
        }
    exec(q, QStringLiteral("COMMIT"));
    BoosterReminders::recompute(h.person);
}

void BM_RecomputeNothingChanged(benchmark::State& state)
{
    for (auto _ : state)
        BoosterReminders::recompute(household().person);
    state.counters["injections"] = kInjections;
}
BENCHMARK(BM_RecomputeNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecomputeEveryFlagRewritten(benchmark::State& state)
{
    QSqlQuery q(Connection::database());
    for (auto _ : state) {
        state.PauseTiming();
        exec(q, QStringLiteral("UPDATE VACCINE SET Repeat_Exe = 1 - Repeat_Exe WHERE Id_Ref=%1").arg(household().person));
        state.ResumeTiming();
        BoosterReminders::recompute(household().person);
    }
}
BENCHMARK(BM_RecomputeEveryFlagRewritten)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReminderWindow(benchmark::State& state)
{
    int rows = 0;
    for (auto _ : state) {
        TRepeatVaccineList window(*household().dataModule2, household().person);
        rows = window.panel()->query().recordCount();
    }
    // The latest injection of every fifth vaccine has no booster date.
    if (rows != kVaccines - kVaccines / 5)
        state.SkipWithError("one reminder per vaccine with a booster expected");
    state.counters["reminders"] = rows;
}
BENCHMARK(BM_ReminderWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// The shell reads the person's injections with the names the list joins.
void BM_ShellReadInjections(benchmark::State& state)
{
    QStringList sql = household().dataModule2->RepeatVaccineQuery.sql();
    sql[2] = QStringLiteral("WHERE Vaccine.Id_Ref=%1").arg(household().person);
    const QString input = JetDialect::translate(sql.join(QLatin1Char('\n'))) + QStringLiteral(";\n");
    qint64 bytes = 0;
    for (auto _ : state) {
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {program().db.databaseFile()});
        sqlite.write(input.toUtf8());
        sqlite.closeWriteChannel();
        if (!sqlite.waitForFinished(60000) || sqlite.exitCode() != 0)
            qFatal("sqlite3 failed");
        bytes += sqlite.readAllStandardOutput().count('\n');
    }
    state.counters["rows"] = static_cast<double>(bytes) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ShellReadInjections)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    household().dataModule2.reset();
    household().dataModule.reset();
    return 0;
}
