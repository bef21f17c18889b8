// The booster reminders of a person with 2 000 injections of 30 vaccines,
// beside the sqlite3 shell reading the same rows (with the joined names) on
// the same file in the same run: the recomputation when nothing changes and
// when every flag is to be rewritten, and the reminder window as the menu
// opens it (recomputation, query, grid) on the offscreen platform. The
// shell's time is its own (".timer"), the time with its process started a
// counter.
#include "BenchSupport.h"
#include "BoosterReminders.h"
#include "Connection.h"
#include "JetDialect.h"
#include "TRepeatVaccineList.h"

#include <benchmark/benchmark.h>
#include <QDate>
#include <QSqlQuery>

namespace {

using BenchSupport::household;
using BenchSupport::run;

constexpr int kInjections = 2000;
constexpr int kVaccines = 30;

int g_person = 0;

void prepare()
{
    household().open();

    QSqlQuery q(Connection::database());
    run(q, QStringLiteral("BEGIN"));
    run(q, QStringLiteral("INSERT INTO PERSON (Name) VALUES ('Durand')"));
    g_person = q.lastInsertId().toInt();
    run(q, QStringLiteral("INSERT INTO PERSON (Name) VALUES ('Martin')"));
    const int other = q.lastInsertId().toInt();
    QList<int> vaccines;
    for (int v = 0; v < kVaccines; ++v) {
        run(q,
            QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES ('Vaccin %1', 'Catégorie %2')")
                .arg(v)
                .arg(v % 4));
        vaccines << q.lastInsertId().toInt();
    }
    for (int d = 0; d < 20; ++d)
        run(q, QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES ('Docteur %1', 'Généraliste')")
                   .arg(d));
    q.prepare(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Time_Vaccine, "
                             "Repeat_Date, Remark1) VALUES (?, ?, ?, ?, '10:00', ?, 'Lot')"));
    // Two households' worth of rows, so the person's rows are picked out of more.
    for (const int person : {g_person, other})
        for (int i = 0; i < kInjections; ++i) {
            const QDate given = QDate(1990, 1, 1).addDays(i * 6);
            q.addBindValue(person);
            q.addBindValue(1 + i % 20);
            q.addBindValue(vaccines.at(i % kVaccines));
            q.addBindValue(given.toString(QStringLiteral("yyyy-MM-dd")));
            q.addBindValue(i % 5 == 4 ? QVariant()
                                      : QVariant(given.addYears(5).toString(QStringLiteral("yyyy-MM-dd"))));
            if (!q.exec())
                qFatal("insert failed");
        }
    run(q, QStringLiteral("COMMIT"));
    BoosterReminders::recompute(g_person);
}

void BM_RecomputeNothingChanged(benchmark::State& state)
{
    for (auto _ : state)
        BoosterReminders::recompute(g_person);
    state.counters["injections"] = kInjections;
}
BENCHMARK(BM_RecomputeNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecomputeEveryFlagRewritten(benchmark::State& state)
{
    QSqlQuery q(Connection::database());
    for (auto _ : state) {
        state.PauseTiming();
        run(q,
            QStringLiteral("UPDATE VACCINE SET Repeat_Exe = 1 - Repeat_Exe WHERE Id_Ref=%1").arg(g_person));
        state.ResumeTiming();
        BoosterReminders::recompute(g_person);
    }
}
BENCHMARK(BM_RecomputeEveryFlagRewritten)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReminderWindow(benchmark::State& state)
{
    int rows = 0;
    for (auto _ : state) {
        TRepeatVaccineList window(*household().dataModule2, g_person);
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
    sql[2] = QStringLiteral("WHERE Vaccine.Id_Ref=%1").arg(g_person);
    const QString input = JetDialect::translate(sql.join(QLatin1Char('\n'))) + QStringLiteral(";\n");
    BenchSupport::timeShell(state, household().config.databaseFile(), input);
}
BENCHMARK(BM_ShellReadInjections)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv, {.prepare = prepare});
}
