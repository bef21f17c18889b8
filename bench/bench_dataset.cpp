// The record datasets beside the sqlite3 shell, in the same run and on the
// same file: opening and walking the acts query of a person with 5 000 acts
// (two left joins, calculated fields, money formats), and deleting a person
// with 10 000 detail rows. The shell's times include starting its process
// (a few milliseconds) and writing its output to a pipe that is read to the end.
#include "BenchSupport.h"
#include "Connection.h"
#include "DatasetUtils.h"
#include "JetDialect.h"
#include "Money.h"

#include <benchmark/benchmark.h>
#include <QSqlQuery>

namespace {

using BenchSupport::household;
using BenchSupport::run;

constexpr int kActs = 5000;

int g_person = 0;

qint64 insertPerson(const QString& name)
{
    QSqlQuery q(Connection::database());
    run(q, QStringLiteral("INSERT INTO PERSON (Name) VALUES (?)"), {name});
    return q.lastInsertId().toLongLong();
}

void prepare()
{
    BenchSupport::Household& h = household();
    h.open();
    Money::normaliseCurrencySymbol();
    h.dataModule->applyMoneyFormats();

    QSqlDatabase db = Connection::database();
    db.transaction();
    QSqlQuery q(db);
    BenchSupport::insertPractitioners(q);
    g_person = static_cast<int>(insertPerson(QStringLiteral("Durand")));
    for (int i = 0; i < kActs; ++i)
        run(q,
            QStringLiteral(
                "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Date_Action, Time_Action, Remark1, "
                "Price, Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp) "
                "VALUES (?, 1, ?, ?, ?, '10:30', 'Contrôle', ?, 1, ?, 0, 0)"),
            {g_person, 1 + i % 45, 1 + i % 30,
             QDate(2000, 1, 1).addDays(i).toString(QStringLiteral("yyyy-MM-dd")), 25.0 + i % 7, 17.5});
    db.commit();
}

QStringList consultStatement()
{
    QStringList sql = household().dataModule->ConsultQuery.sql();
    sql[DatasetUtils::lineOfKeyword(sql, QStringLiteral("WHERE"))] =
        QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=%1").arg(g_person);
    return sql;
}

// The shell on the same file; returns its output size so the work is not skipped.
qint64 shell(const QString& input)
{
    return BenchSupport::sqliteShell(household().config.databaseFile(), input).size();
}

void BM_OpenAndWalkActs(benchmark::State& state)
{
    Dataset& acts = household().dataModule->ConsultQuery;
    const QString where = consultStatement().at(2);
    qint64 characters = 0;
    for (auto _ : state) {
        DatasetUtils::replaceWhereLine(acts, where);
        for (acts.first(); !acts.eof(); acts.next()) {
            characters += acts.field(QStringLiteral("Date_Action")).displayText().size();
            characters += acts.field(QStringLiteral("Price")).displayText().size();
            characters += acts.field(QStringLiteral("NoRepayment")).displayText().size();
            characters += acts.field(QStringLiteral("Doctor")).asString().size();
            characters += acts.field(QStringLiteral("Illness")).asString().size();
        }
        if (acts.recordCount() != kActs)
            state.SkipWithError("wrong number of acts");
    }
    benchmark::DoNotOptimize(characters);
    state.counters["rows"] = acts.recordCount();
}
BENCHMARK(BM_OpenAndWalkActs)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShellSelectActs(benchmark::State& state)
{
    const QString select =
        JetDialect::translate(consultStatement().join(QLatin1Char('\n'))) + QStringLiteral(";\n");
    qint64 bytes = 0;
    for (auto _ : state)
        bytes += shell(select);
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ShellSelectActs)->Unit(benchmark::kMillisecond)->UseRealTime();

// A person with 10 000 detail rows: measurements, acts, vaccinations, events,
// and 100 followed analyses with 400 values between them.
int personWithDetails()
{
    QSqlDatabase db = Connection::database();
    db.transaction();
    const int person = static_cast<int>(insertPerson(QStringLiteral("Martin")));
    QSqlQuery q(db);
    const QVariantList ref{person};
    for (int i = 0; i < 2500; ++i) {
        run(q,
            QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (?, '2020-01-01', 12.5)"),
            ref);
        run(q, QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) VALUES (?, '2020-01-01', 80)"),
            ref);
        run(q, QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Price) VALUES (?, 2, 12)"), ref);
    }
    for (int i = 0; i < 1000; ++i) {
        run(q, QStringLiteral("INSERT INTO VACCINE (Id_Ref, Date_Vaccine) VALUES (?, '2020-01-01')"), ref);
        run(q, QStringLiteral("INSERT INTO EVENT (Id_Ref, Date_Event) VALUES (?, '2020-01-01')"), ref);
    }
    for (int i = 0; i < 100; ++i) {
        run(q,
            QStringLiteral("INSERT INTO L_ANALYSIS (Id_Ref, Id_Analysis, Title) VALUES (?, 1, 'Glycémie')"),
            ref);
        const QVariant analysis = q.lastInsertId();
        for (int v = 0; v < 4; ++v)
            run(q, QStringLiteral("INSERT INTO ANALYSIS (Id_Ref, Value_Analysis) VALUES (?, 1.1)"),
                {analysis});
    }
    db.commit();
    return person;
}

void BM_DeletePerson(benchmark::State& state)
{
    TDataModule1& dm = *household().dataModule;
    for (auto _ : state) {
        state.PauseTiming();
        const int person = personWithDetails();
        dm.Person.close();
        dm.Person.open();
        dm.Person.locateId(person);
        state.ResumeTiming();
        dm.deletePerson();
    }
}
BENCHMARK(BM_DeletePerson)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same statements, one a time as the program runs them, through the shell.
void BM_ShellDeletePerson(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const int person = personWithDetails();
        QStringList statements;
        for (const char* s :
             {"DELETE FROM Weight WHERE Weight.Id_Ref=%1", "DELETE FROM [Size] WHERE [Size].Id_Ref=%1",
              "DELETE FROM [Action] WHERE Action.Id_Ref=%1", "DELETE FROM Vaccine WHERE Vaccine.Id_Ref=%1",
              "DELETE FROM Event WHERE Event.Id_Ref=%1"})
            statements << JetDialect::translate(QString::fromLatin1(s).arg(person));
        QSqlQuery q(Connection::database());
        run(q, QStringLiteral("SELECT Id FROM L_ANALYSIS WHERE Id_Ref=?"), {person});
        while (q.next()) {
            statements
                << QStringLiteral("DELETE FROM ANALYSIS WHERE ANALYSIS.Id_Ref=%1").arg(q.value(0).toInt());
            statements << QStringLiteral("DELETE FROM L_ANALYSIS WHERE Id=%1").arg(q.value(0).toInt());
        }
        statements << QStringLiteral("DELETE FROM PERSON WHERE Id=%1").arg(person);
        const QString input = statements.join(QStringLiteral(";\n")) + QStringLiteral(";\n");
        state.ResumeTiming();
        shell(input);
    }
}
BENCHMARK(BM_ShellDeletePerson)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .application = BenchSupport::Application::Core});
}
