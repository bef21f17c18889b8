// The growth charts with many measurements, on the offscreen platform:
// building and drawing the weight chart of a person with 10 000 weighings
// into an image (beside the bare polyline of the same points and the
// reading of the rows alone), and moving from one person to the next with
// the page "Général" visible when both charts hold 1 000 points (beside
// the same move with the page "Antécédents", which has no chart). The
// persons are girls born on a known day: the charts draw the WHO centiles
// behind the points of their first 10 years (weight) or 19 years (height);
// the weight chart is also drawn for a person whose sex is not given, the
// same chart without centiles.
#include "BenchSupport.h"
#include "Connection.h"
#include "GrowthSeries.h"
#include "LineChart.h"
#include "Measurements.h"
#include "ProgramAssembly.h"
#include "TMainForm.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSqlQuery>

namespace {

constexpr int kManyWeighings = 10000;
constexpr int kSwitchPoints = 1000;
const QSize kChartSize(420, 300);

using BenchSupport::household;

std::unique_ptr<TMainForm> g_window;
int g_heavy = 0;           // the girl with 10 000 weighings
int g_heavyWithoutSex = 0; // the same weighings, her sex not given

int addPerson(QSqlQuery& q, const QString& name, int weighings, int measures, bool sexKnown = true)
{
    q.prepare(
        QStringLiteral("INSERT INTO PERSON (Name, ForeName, BirthDay_Date, BirthDay_Weight, BirthDay_Size, "
                       "WeightMode, SizeMode, Sex) VALUES (?, 'Léa', '15/06/1990', 3.2, 50, 1, 3, ?)"));
    q.addBindValue(name);
    q.addBindValue(sexKnown ? QVariant(2) : QVariant());
    q.exec();
    const int id = q.lastInsertId().toInt();
    const QDate born(1990, 6, 15);
    q.prepare(QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (?, ?, ?)"));
    for (int i = 0; i < weighings; ++i) {
        q.addBindValue(id);
        q.addBindValue(born.addDays(i + 1).toString(Qt::ISODate));
        q.addBindValue(3.2 + i * 0.007 + (i % 7) * 0.05);
        q.exec();
    }
    q.prepare(QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) VALUES (?, ?, ?)"));
    for (int i = 0; i < measures; ++i) {
        q.addBindValue(id);
        q.addBindValue(born.addDays(7 * i + 1).toString(Qt::ISODate));
        q.addBindValue(50 + i * 0.12);
        q.exec();
    }
    return id;
}

void prepare()
{
    BenchSupport::Household& h = household();
    h.open();

    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral("BEGIN"));
    addPerson(q, QStringLiteral("Aubert"), kSwitchPoints, kSwitchPoints);
    addPerson(q, QStringLiteral("Bernard"), kSwitchPoints, kSwitchPoints);
    g_heavy = addPerson(q, QStringLiteral("Zola"), kManyWeighings, 0);
    g_heavyWithoutSex = addPerson(q, QStringLiteral("Zola"), kManyWeighings, 0, false);
    q.exec(QStringLiteral("COMMIT"));

    g_window = ProgramAssembly::mainWindow(*h.dataModule, *h.dataModule2);
    g_window->show();
    QApplication::processEvents();
}

// What the weight chart of the heavy person is built from: the rows read.
void openHeavyWeights()
{
    Measurements::open(*household().dataModule, MeasureKind::weight(), g_heavy);
}

void BM_WeightChart10000_ReadRows(benchmark::State& state)
{
    for (auto _ : state)
        openHeavyWeights();
    state.counters["points"] = kManyWeighings;
}
BENCHMARK(BM_WeightChart10000_ReadRows)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void buildAndDraw(benchmark::State& state, int person)
{
    BenchSupport::Household& h = household();
    h.dataModule->Person.locateId(person);
    LineChart chart;
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    chart.resize(kChartSize);
    chart.show();
    QApplication::processEvents();
    QImage image(kChartSize, QImage::Format_RGB32);
    for (auto _ : state) {
        Measurements::open(*h.dataModule, MeasureKind::weight(), person);
        chart.setData(GrowthSeries::build(Measurements::input(
            *h.dataModule, MeasureKind::weight(), GrowthSeries::Dates, MeasureKind::weight().pageMargins)));
        image.fill(Qt::white);
        QPainter painter(&image);
        chart.render(&painter);
    }
    state.counters["points"] = kManyWeighings;
}

void BM_WeightChart10000_BuildAndDraw(benchmark::State& state)
{
    buildAndDraw(state, g_heavy);
}
BENCHMARK(BM_WeightChart10000_BuildAndDraw)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_WeightChart10000_BuildAndDrawWithoutCentiles(benchmark::State& state)
{
    buildAndDraw(state, g_heavyWithoutSex);
}
BENCHMARK(BM_WeightChart10000_BuildAndDrawWithoutCentiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The floor: the same 10 000 points as one antialiased polyline of the
// chart's thick pen, into the same image.
void BM_WeightChart10000_PolylineOnly(benchmark::State& state)
{
    QList<QPointF> points;
    for (int i = 0; i < kManyWeighings; ++i)
        points.append(QPointF(40 + i * 370.0 / kManyWeighings, 280 - (i % 97) * 2.5 - i * 0.02));
    QImage image(kChartSize, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 3, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        painter.drawPolyline(points.constData(), static_cast<int>(points.size()));
    }
}
BENCHMARK(BM_WeightChart10000_PolylineOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Moves between the two persons whose charts hold 1 000 points each, and
// lets the window paint what changed.
void switchPersons(benchmark::State& state, int page)
{
    TMainForm& window = *g_window;
    window.showPage(page);
    window.RefreshPersonList(-1);
    QApplication::processEvents();
    bool down = true;
    for (auto _ : state) {
        if (down)
            window.showNextPerson();
        else
            window.showPriorPerson();
        down = !down;
        QApplication::processEvents();
    }
}

void BM_SwitchPerson_GeneralWithCharts(benchmark::State& state)
{
    switchPersons(state, TMainForm::General);
}
BENCHMARK(BM_SwitchPerson_GeneralWithCharts)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SwitchPerson_PageWithoutCharts(benchmark::State& state)
{
    switchPersons(state, TMainForm::Previous);
}
BENCHMARK(BM_SwitchPerson_PageWithoutCharts)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .teardown = [] { g_window.reset(); }});
}
