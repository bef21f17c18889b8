// The printed reports: the acts history of a person with 5 000 acts,
// prepared from the shipped template and layout, and written as a PDF file.
// Beside them, in the same run: the template's query opened alone (the data
// part of the preparation), and poppler's pdftotext reading the written PDF.
#include "BenchScratch.h"
#include "Connection.h"
#include "DatasetUtils.h"
#include "Money.h"
#include "TDataModule1.h"
#include "TDataModuleReport.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>

namespace {

constexpr int kActs = 5000;

struct Bench
{
    DbConfig config;
    std::unique_ptr<TDataModule1> dataModule;
    std::unique_ptr<TDataModuleReport> reports;
    int person = 0;
    std::optional<PreparedReport> prepared;
};

Bench& bench()
{
    static Bench b;
    return b;
}

void run(QSqlQuery& q, const QString& sql, const QVariantList& values = {})
{
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("%s", qPrintable(sql));
}

void prepareHousehold()
{
    Bench& b = bench();
    b.config.databaseFolder = scratchFile(QStringLiteral("Data/"));
    for (const char* sub : {"Access", "Images", "Files"})
        QDir().mkpath(b.config.databaseFolder + QString::fromLatin1(sub));
    if (!QFile::copy(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Ressources/DB/Data/Access/BRIVOLINE.MDB"),
                     b.config.databaseFile()))
        qFatal("the template database is missing: build the program first");
    QFile(b.config.databaseFile()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    b.dataModule = std::make_unique<TDataModule1>(b.config);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Money::normaliseCurrencySymbol();
    b.reports = std::make_unique<TDataModuleReport>(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Reports/"),
                                                    scratch().path() + QLatin1Char('/'));

    QSqlDatabase db = Connection::database();
    db.transaction();
    QSqlQuery q(db);
    for (int i = 0; i < 40; ++i)
        run(q, QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES (?, ?)"),
            {QStringLiteral("Docteur %1").arg(i), i % 3 ? QStringLiteral("Généraliste") : QString()});
    run(q, QStringLiteral("INSERT INTO PERSON (Name, ForeName, BirthDay_Date) VALUES ('Durand', 'Élise', '02/03/2015')"));
    b.person = q.lastInsertId().toInt();
    for (int i = 0; i < kActs; ++i)
        run(q,
            QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Date_Action, Time_Action, Remark1, "
                           "Price, Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp) "
                           "VALUES (?, 1, ?, ?, ?, '10:30', ?, ?, 1, ?, 0, 0)"),
            {b.person, 1 + i % 40, 1 + i % 30, QDate(2000, 1, 1).addDays(i).toString(Qt::ISODate),
             i % 10 ? QStringLiteral("Contrôle") : QStringLiteral("Fièvre depuis trois jours, otite, antibiotiques "
                                                                  "prescrits pour huit jours, revoir si besoin"),
             25.0 + i % 7, 17.5});
    db.commit();
}

void BM_PrepareActsHistory(benchmark::State& state)
{
    int pages = 0;
    for (auto _ : state) {
        bench().prepared = bench().reports->actsHistory(bench().person);
        pages = bench().prepared->pageCount();
    }
    state.counters["rows"] = kActs;
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PrepareActsHistory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_OpenTemplateQueryAlone(benchmark::State& state)
{
    Dataset& query = bench().reports->ReportQuery;
    DatasetUtils::Clauses clauses;
    clauses.where = QStringLiteral("Action.Tag=1 AND Action.Id_Ref=") + QString::number(bench().person);
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
    if (!bench().prepared)
        bench().prepared = bench().reports->actsHistory(bench().person);
    for (auto _ : state)
        bench().prepared->writePdf(pdfFile());
    state.counters["pages"] = bench().prepared->pageCount();
    state.counters["MB"] = QFileInfo(pdfFile()).size() / 1e6;
}
BENCHMARK(BM_WriteActsHistoryPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PdftotextReadsIt(benchmark::State& state)
{
    if (!QFileInfo::exists(pdfFile()))
        bench().reports->actsHistory(bench().person)->writePdf(pdfFile());
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    prepareHousehold();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
