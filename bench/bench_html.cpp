// The HTML pages of a person with 5 000 acts, 2 000 purchases, 200
// vaccinations, 100 picture documents and 20 attached files: the health
// sheet written whole (pictures, attached files, both charts), and the
// reimbursement synthesis over 30 years. Beside them, in the same run: the
// sqlite3 shell reading the sheet's rows and summing the synthesis, and cp
// copying the same stored pictures.
#include "BenchSupport.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Cabinet.h"
#include "ChartExport.h"
#include "Connection.h"
#include "HtmlExport.h"
#include "JpegIO.h"
#include "Measurements.h"
#include "Money.h"
#include "ReimbursementSynthesis.h"

#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QSqlQuery>

namespace {

using BenchSupport::household;
using BenchSupport::run;
using BenchSupport::scratchFile;

constexpr int kActs = 5000;
constexpr int kPurchases = 2000;
constexpr int kVaccinations = 200;
constexpr int kPictures = 100;
constexpr int kFiles = 20;
constexpr int kDays = 30 * 365;

int g_person = 0;

QImage picture(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(seed * 37 % 360, 120, 200));
    QPainter p(&image);
    p.setPen(Qt::black);
    for (int k = 0; k < 40; ++k)
        p.drawLine(k * w / 40, 0, w - k * w / 40, h);
    return image;
}

void prepareHousehold()
{
    BenchSupport::Household& h = household();
    h.open();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Money::normaliseCurrencySymbol();

    QSqlDatabase db = Connection::database();
    db.transaction();
    QSqlQuery q(db);
    BenchSupport::insertPractitioners(q);
    run(q,
        QStringLiteral("INSERT INTO PERSON (Name, ForeName, BirthDay_Date, WeightMode, SizeMode, ImgMini1) "
                       "VALUES ('Durand', 'Élise', '02/03/1995', 1, 1, ?)"),
        {BmpFormat::encode(fromQImage(picture(80, 80, 1)))});
    g_person = q.lastInsertId().toInt();
    for (int i = 0; i < kActs + kPurchases; ++i) {
        const bool act = i < kActs;
        const int day = act ? i * kDays / kActs : (i - kActs) * kDays / kPurchases;
        run(q,
            QStringLiteral(
                "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, Time_Action, "
                "Remark1, Price, Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp, "
                "Date_Repayment) VALUES (?, ?, ?, ?, ?, ?, '10:30', ?, ?, 1, ?, 0, 2.5, ?)"),
            {g_person, act ? 1 : 2, 1 + i % 40, 1 + i % 30, 1 + i % 20,
             QDate(1995, 3, 2).addDays(day).toString(Qt::ISODate),
             QStringLiteral("Contrôle <annuel> & suivi"), 25.0 + i % 7, 17.5,
             QDate(1995, 3, 20).addDays(day).toString(Qt::ISODate)});
    }
    for (int i = 0; i < kVaccinations; ++i)
        run(q,
            QStringLiteral(
                "INSERT INTO VACCINE (Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Repeat_Date, Remark1) "
                "VALUES (?, ?, ?, ?, ?, 'Rappel')"),
            {g_person, 1 + i % 40, 1 + i % 10, QDate(1995, 5, 1).addDays(i * 50).toString(Qt::ISODate),
             QDate(2000, 5, 1).addDays(i * 50).toString(Qt::ISODate)});
    for (int i = 0; i < 60; ++i) {
        run(q,
            QStringLiteral(
                "INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight, Remark) VALUES (?, ?, ?, 'Visite')"),
            {g_person, QDate(1995, 6, 1).addMonths(i * 6).toString(Qt::ISODate), 4.0 + i});
        run(q, QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, [Size]) VALUES (?, ?, ?)"),
            {g_person, QDate(1995, 6, 1).addMonths(i * 6).toString(Qt::ISODate), 55.0 + i * 2});
    }
    const QByteArray thumbnail = BmpFormat::encode(fromQImage(picture(90, 90, 2)));
    for (int i = 0; i < kPictures; ++i) {
        run(q, QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, ImgMini, DoType) VALUES (?, ?, ?, 1)"),
            {g_person, QStringLiteral("Radio n° %1").arg(i), thumbnail});
        SaveJpegFile(
            fromQImage(picture(1600, 1200, i)),
            h.config.databaseFolder + QStringLiteral("Images/Doc%1.jpg").arg(q.lastInsertId().toInt()), 85);
    }
    const QString source = scratchFile(QStringLiteral("compte-rendu.txt"));
    QFile text(source);
    text.open(QIODevice::WriteOnly);
    for (int k = 0; k < 2000; ++k)
        text.write("Compte rendu de consultation, ligne de texte.\n");
    text.close();
    const QByteArray icon = BmpFormat::encode(fromQImage(picture(32, 32, 3)));
    for (int i = 0; i < kFiles; ++i) {
        run(q,
            QStringLiteral(
                "INSERT INTO DOCUMENTFILE (Id_Ref, FileName, FileType, FileSize, FileIcon, DoType) "
                "VALUES (?, ?, 'Texte', '92 Ko', ?, 1)"),
            {g_person, QStringLiteral("compte-rendu %1.txt").arg(i), icon});
        Cabinet::create(h.config.databaseFolder +
                            QStringLiteral("Files/File%1.f").arg(q.lastInsertId().toInt()),
                        {{source, QStringLiteral("compte-rendu.txt")}});
    }
    db.commit();
    h.dataModule->Person.open();
    h.dataModule->Person.locateId(g_person);
}

// The charts as the program lends them to the sheet.
QImage chart(int personId, TDataModuleReport::Chart which, QSize size)
{
    TDataModule1& dm = *household().dataModule;
    const MeasureKind& kind =
        which == TDataModuleReport::Chart::Weight ? MeasureKind::weight() : MeasureKind::size();
    Measurements::open(dm, kind, personId);
    return ChartExport::render(GrowthSeries::build(Measurements::input(
                                   dm, kind, Measurements::storedMode(dm, kind), kind.pageMargins)),
                               size);
}

void BM_HealthSheet(benchmark::State& state)
{
    const HtmlExport::Sources sources{household().config.databaseFolder, &chart};
    for (auto _ : state) {
        const QString folder = HtmlExport::prepareFolder(household().data);
        HtmlExport::writeHealthSheet(g_person, folder, sources);
    }
    const QString index = HtmlExport::workingFolder(household().data) + HtmlExport::kIndex;
    state.counters["page_MB"] = QFileInfo(index).size() / 1e6;
    state.counters["files"] = QDir(HtmlExport::workingFolder(household().data)).entryList(QDir::Files).size();
}
BENCHMARK(BM_HealthSheet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The shell on the same file, once an iteration.
void shell(benchmark::State& state, const QString& sql)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BenchSupport::sqliteShell(household().config.databaseFile(), sql).size());
}

void BM_Sqlite3ShellReadsTheSheetsRows(benchmark::State& state)
{
    const QString id = QString::number(g_person);
    const QString sql =
        QStringLiteral("SELECT a.*, d.Name, d.Category FROM ACTION a LEFT JOIN LST_DOCTOR d ON a.Id_Org=d.Id "
                       "WHERE a.Id_Ref=%1 ORDER BY a.Tag, a.Date_Action, a.Time_Action; "
                       "SELECT * FROM VACCINE WHERE Id_Ref=%1 ORDER BY Date_Vaccine; "
                       "SELECT Id, Title, length(ImgMini) FROM DOCUMENTIMG WHERE Id_Ref=%1;")
            .arg(id);
    shell(state, sql);
}
BENCHMARK(BM_Sqlite3ShellReadsTheSheetsRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_CpCopiesTheStoredPictures(benchmark::State& state)
{
    const QString target = scratchFile(QStringLiteral("cp/"));
    for (auto _ : state) {
        QDir(target).removeRecursively();
        QProcess p;
        p.start(QStringLiteral("cp"),
                {QStringLiteral("-r"), household().config.databaseFolder + QStringLiteral("Images"), target});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            state.SkipWithError("cp failed");
    }
}
BENCHMARK(BM_CpCopiesTheStoredPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_Synthesis30Years(benchmark::State& state)
{
    int years = 0;
    for (auto _ : state) {
        const QString folder = HtmlExport::prepareFolder(household().data);
        ReimbursementSynthesis::write(g_person, folder);
        years = static_cast<int>(ReimbursementSynthesis::years(g_person).size());
    }
    state.counters["years"] = years;
}
BENCHMARK(BM_Synthesis30Years)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_SynthesisSumsAlone(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ReimbursementSynthesis::years(g_person).size());
}
BENCHMARK(BM_SynthesisSumsAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_Sqlite3ShellSumsTheYears(benchmark::State& state)
{
    const QString sql =
        QStringLiteral("SELECT strftime('%Y', Date_Action) AS y, Tag, sum(Price), "
                       "sum(coalesce(Price_Repayment,0)) + sum(coalesce(Price_Repayment_Comp,0)) "
                       "FROM ACTION WHERE Id_Ref=%1 GROUP BY y, Tag ORDER BY y;")
            .arg(g_person);
    shell(state, sql);
}
BENCHMARK(BM_Sqlite3ShellSumsTheYears)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv, {.prepare = prepareHousehold});
}
