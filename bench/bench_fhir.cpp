// A person's record as a FHIR bundle, beside the sqlite3 shell in the same
// run and on the same file: a person with 5 000 consultations, 2 000
// purchases, 200 vaccinations, 1 000 weights and 1 000 heights, 20
// analyses results, 100 events and 100 picture documents, exported with the
// documents left out (the bundle built and written to a file), then that
// file imported back as a new person (read, checked, every row written in
// one transaction). The shell's peers: the same rows selected as JSON
// (".mode json"), and the same rows copied for another person with
// INSERT ... SELECT in one transaction; their times include starting the
// process. Each run adds a person, as the import does.
#include "BenchSupport.h"
#include "Connection.h"
#include "FhirExport.h"
#include "FhirImport.h"

#include <benchmark/benchmark.h>
#include <QDate>
#include <QFileInfo>
#include <QSqlQuery>

namespace {

using BenchSupport::household;
using BenchSupport::run;

int g_person = 0;
QString g_bundle;

QString day(int i)
{
    return QDate(1990, 1, 1).addDays(i).toString(QStringLiteral("yyyy-MM-dd"));
}

void prepare()
{
    BenchSupport::Household& h = household();
    h.open();
    QSqlDatabase db = Connection::database();
    db.transaction();
    QSqlQuery q(db);
    BenchSupport::insertPractitioners(q);
    run(q, QStringLiteral("INSERT INTO PERSON (Name, ForeName, BirthDay_Date, No, Previous) "
                          "VALUES ('Durand', 'Paul', '01/02/1985', '1 85 02 75 123 456 78', 'Asthme')"));
    g_person = q.lastInsertId().toInt();
    for (int i = 0; i < 7000; ++i)
        run(q,
            QStringLiteral(
                "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, Time_Action, "
                "Remark1, Price, Repayment, Date_Repayment, Price_Repayment, Repayment_Comp, "
                "Price_Repayment_Comp) VALUES (?, ?, ?, ?, ?, ?, '10:30', 'Contrôle annuel', ?, ?, ?, 17.5, "
                "0, 7.5)"),
            {g_person, i < 5000 ? 1 : 2, 1 + i % 40, i < 5000 ? QVariant(1 + i % 30) : QVariant(),
             i < 5000 ? QVariant() : QVariant(1 + i % 30), day(i), 25.0 + i % 7, i % 2,
             i % 2 ? QVariant(day(i + 20)) : QVariant()});
    for (int i = 0; i < 200; ++i)
        run(q,
            QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Repeat_Date, "
                           "Repeat_Exe, Remark1) "
                           "VALUES (?, ?, ?, ?, ?, 0, 'Bras gauche')"),
            {g_person, 1 + i % 40, 1 + i % 10, day(i * 30), day(i * 30 + 3650)});
    for (int i = 0; i < 1000; ++i) {
        run(q, QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (?, ?, ?)"),
            {g_person, day(i * 7), 3.5 + i * 0.07});
        run(q, QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) VALUES (?, ?, ?)"),
            {g_person, day(i * 7 + 1), 50.0 + i * 0.1});
    }
    run(q,
        QStringLiteral(
            "INSERT INTO L_ANALYSIS (Id_File, Id_Ref, Id_Analysis, Unit, Decimal, Value_Min, Value_Max) "
            "SELECT -1, ?, Id, Unit, Decimal, Value_Min, Value_Max FROM LST_ANALYSIS LIMIT 1"),
        {g_person});
    const int followed = q.lastInsertId().toInt();
    for (int i = 0; i < 20; ++i)
        run(q,
            QStringLiteral("INSERT INTO [ANALYSIS] (Id_Ref, Date_Analysis, Value_Analysis) VALUES (?, ?, ?)"),
            {followed, day(i * 90), 0.9 + i * 0.01});
    for (int i = 0; i < 100; ++i) {
        run(q,
            QStringLiteral(
                "INSERT INTO EVENT (Id_Ref, Date_Event, Description) VALUES (?, ?, 'Chute à vélo')"),
            {g_person, day(i * 50)});
        run(q, QStringLiteral("INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, Title, DoType) VALUES (0, ?, ?, 1)"),
            {g_person, QStringLiteral("Ordonnance %1").arg(i)});
    }
    db.commit();
    g_bundle = BenchSupport::scratchFile(QStringLiteral("carnet.json"));
}

Records records()
{
    return {Connection::database(), household().config.databaseFolder};
}

void BM_ExportWithoutDocuments(benchmark::State& state)
{
    ExportResult result;
    for (auto _ : state)
        result = FhirExport::exportPerson(records(), g_person, g_bundle, {.includeDocuments = false});
    state.counters["resources"] = result.resources;
    state.counters["MB"] = static_cast<double>(QFileInfo(g_bundle).size()) / 1e6;
}
BENCHMARK(BM_ExportWithoutDocuments)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShellSelectRowsAsJson(benchmark::State& state)
{
    const QString p = QString::number(g_person);
    const QString statements = QStringLiteral(".mode json\n") +
                               QStringLiteral("SELECT * FROM PERSON WHERE Id=%1;\n"
                                              "SELECT * FROM [ACTION] WHERE Id_Ref=%1;\n"
                                              "SELECT * FROM VACCINE WHERE Id_Ref=%1;\n"
                                              "SELECT * FROM WEIGHT WHERE Id_Ref=%1;\n"
                                              "SELECT * FROM [SIZE] WHERE Id_Ref=%1;\n"
                                              "SELECT * FROM EVENT WHERE Id_Ref=%1;\n"
                                              "SELECT Id, Title FROM DOCUMENTIMG WHERE Id_Ref=%1;\n")
                                   .arg(p);
    qint64 bytes = 0;
    for (auto _ : state)
        bytes += BenchSupport::sqliteShell(household().config.databaseFile(), statements).size();
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ShellSelectRowsAsJson)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportBack(benchmark::State& state)
{
    FhirExport::exportPerson(records(), g_person, g_bundle, {.includeDocuments = false});
    ImportResult result;
    for (auto _ : state)
        result = FhirImport::importFile(records(), g_bundle);
    state.counters["rows"] = result.resources;
    state.counters["skipped"] = static_cast<double>(result.skipped.size());
}
BENCHMARK(BM_ImportBack)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShellCopyRows(benchmark::State& state)
{
    const QString p = QString::number(g_person);
    const QString statements =
        QStringLiteral(
            "BEGIN;\n"
            "INSERT INTO PERSON (Name, ForeName, BirthDay_Date, No, Previous) "
            "SELECT Name, ForeName, BirthDay_Date, No, Previous FROM PERSON WHERE Id=%1;\n"
            "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, Time_Action, "
            "Remark1, "
            "Price, Repayment, Date_Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp) "
            "SELECT (SELECT max(Id) FROM PERSON), Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, "
            "Time_Action, Remark1, "
            "Price, Repayment, Date_Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp "
            "FROM [ACTION] WHERE Id_Ref=%1;\n"
            "INSERT INTO VACCINE (Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Repeat_Date, Repeat_Exe, "
            "Remark1) "
            "SELECT (SELECT max(Id) FROM PERSON), Id_Org, Id_Vaccine, Date_Vaccine, Repeat_Date, Repeat_Exe, "
            "Remark1 FROM VACCINE WHERE Id_Ref=%1;\n"
            "INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) SELECT (SELECT max(Id) FROM PERSON), "
            "Date_Weight, Weight FROM WEIGHT WHERE Id_Ref=%1;\n"
            "INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) SELECT (SELECT max(Id) FROM PERSON), Date_Size, "
            "Size FROM [SIZE] WHERE Id_Ref=%1;\n"
            "INSERT INTO EVENT (Id_Ref, Date_Event, Description) SELECT (SELECT max(Id) FROM PERSON), "
            "Date_Event, Description FROM EVENT WHERE Id_Ref=%1;\n"
            "COMMIT;\n")
            .arg(p);
    qint64 bytes = 0;
    for (auto _ : state)
        bytes += BenchSupport::sqliteShell(household().config.databaseFile(), statements).size();
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ShellCopyRows)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .application = BenchSupport::Application::Core});
}
