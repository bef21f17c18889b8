// The printed reports: the acts history of a person with 5 000 acts,
// prepared from the shipped template and layout, and written as a PDF file.
// Beside them, in the same run: the template's query opened alone (the data
// part of the preparation), and poppler's pdftotext reading the written PDF.
#include "BenchSupport.h"
#include "Connection.h"
#include "DatasetUtils.h"
#include "Money.h"
#include "TDataModuleReport.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <optional>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>

namespace {

using BenchSupport::run;
using BenchSupport::scratchFile;

constexpr int kActs = 5000;

std::unique_ptr<TDataModuleReport> g_reports;
int g_person = 0;
std::optional<PreparedReport> g_prepared;

void prepareHousehold()
{
    BenchSupport::Household& h = BenchSupport::household();
    h.open();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Money::normaliseCurrencySymbol();
    g_reports = std::make_unique<TDataModuleReport>(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Reports/"), h.data);

    QSqlDatabase db = Connection::database();
    db.transaction();
    QSqlQuery q(db);
    BenchSupport::insertPractitioners(q);
    run(q,
        QStringLiteral(
            "INSERT INTO PERSON (Name, ForeName, BirthDay_Date) VALUES ('Durand', 'Élise', '02/03/2015')"));
    g_person = q.lastInsertId().toInt();
    for (int i = 0; i < kActs; ++i)
        run(q,
            QStringLiteral(
                "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Date_Action, Time_Action, Remark1, "
                "Price, Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp) "
                "VALUES (?, 1, ?, ?, ?, '10:30', ?, ?, 1, ?, 0, 0)"),
            {g_person, 1 + i % 40, 1 + i % 30, QDate(2000, 1, 1).addDays(i).toString(Qt::ISODate),
             i % 10 ? QStringLiteral("Contrôle")
                    : QStringLiteral("Fièvre depuis trois jours, otite, antibiotiques "
                                     "prescrits pour huit jours, revoir si besoin"),
             25.0 + i % 7, 17.5});
    db.commit();
}

void BM_PrepareActsHistory(benchmark::State& state)
{
    int pages = 0;
    for (auto _ : state) {
        g_prepared = g_reports->actsHistory(g_person);
        pages = g_prepared->pageCount();
    }
    state.counters["rows"] = kActs;
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PrepareActsHistory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_OpenTemplateQueryAlone(benchmark::State& state)
{
    Dataset& query = g_reports->ReportQuery;
    DatasetUtils::Clauses clauses;
    clauses.where = QStringLiteral("Action.Tag=1 AND Action.Id_Ref=") + QString::number(g_person);
    for (auto _ : state) {
        query.setSql(DatasetUtils::statementFromFile(
            QStringLiteral(BRIVOLINE_PROGRAM_DIR "Reports/ConsultList.rpt"), true, clauses));
        query.open();
        benchmark::DoNotOptimize(query.recordCount());
        query.close();
    }
}
BENCHMARK(BM_OpenTemplateQueryAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

const QString& pdfFile()
{
    static const QString path = scratchFile(QStringLiteral("acts.pdf"));
    return path;
}

void BM_WriteActsHistoryPdf(benchmark::State& state)
{
    if (!g_prepared)
        g_prepared = g_reports->actsHistory(g_person);
    for (auto _ : state)
        g_prepared->writePdf(pdfFile());
    state.counters["pages"] = g_prepared->pageCount();
    state.counters["MB"] = QFileInfo(pdfFile()).size() / 1e6;
}
BENCHMARK(BM_WriteActsHistoryPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PdftotextReadsIt(benchmark::State& state)
{
    if (!QFileInfo::exists(pdfFile()))
        g_reports->actsHistory(g_person)->writePdf(pdfFile());
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {pdfFile(), scratchFile(QStringLiteral("acts.txt"))});
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            state.SkipWithError("pdftotext failed");
    }
}
BENCHMARK(BM_PdftotextReadsIt)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv, {.prepare = prepareHousehold, .teardown = [] {
                                                        g_prepared.reset();
                                                        g_reports.reset();
                                                    }});
}
