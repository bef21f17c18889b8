// The person column with a large household: rebuilding the list of 1 000
// persons who all have a small photo (read, decoded and fitted into 45 x 45),
// and moving from one person to the next with the page "Général" visible,
// in the real main window on the offscreen platform.
#include "BenchSupport.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Connection.h"
#include "ProgramAssembly.h"
#include "TMainForm.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSqlQuery>

namespace {

constexpr int kPersons = 1000;

std::unique_ptr<TMainForm> g_window;

// A 115 x 115 small photo, as the photo routines store them.
QByteArray smallPhoto(int seed)
{
    QImage image(115, 115, QImage::Format_RGB888);
    image.fill(QColor::fromHsv(seed % 360, 120, 220));
    QPainter p(&image);
    p.setBrush(QColor::fromHsv((seed * 7) % 360, 200, 120));
    p.drawEllipse(20, 10, 75, 90);
    return BmpFormat::encode(fromQImage(image));
}

void prepare()
{
    BenchSupport::Household& h = BenchSupport::household();
    h.open();

    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral("BEGIN"));
    q.prepare(QStringLiteral("INSERT INTO PERSON (Name, ForeName, No, ImgMini1) VALUES (?, ?, ?, ?)"));
    for (int i = 0; i < kPersons; ++i) {
        q.addBindValue(QStringLiteral("Famille%1").arg(i % 97, 3, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("Prénom %1").arg(i));
        q.addBindValue(QStringLiteral("1 80 01 75 %1 123 45").arg(i % 1000, 3, 10, QLatin1Char('0')));
        q.addBindValue(smallPhoto(i));
        q.exec();
    }
    q.exec(QStringLiteral("COMMIT"));

    g_window = ProgramAssembly::mainWindow(*h.dataModule, *h.dataModule2);
    g_window->show();
    QApplication::processEvents();
}

void BM_RefreshPersonList(benchmark::State& state)
{
    TMainForm& window = *g_window;
    for (auto _ : state)
        window.RefreshPersonList(-1);
    state.counters["persons"] = kPersons;
}
BENCHMARK(BM_RefreshPersonList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_NextPersonOnGeneralPage(benchmark::State& state)
{
    TMainForm& window = *g_window;
    window.showPage(TMainForm::General);
    window.RefreshPersonList(-1);
    int moved = 0;
    for (auto _ : state) {
        // Walk down the list and back up, so every step is a real move.
        if ((moved / (kPersons - 1)) % 2 == 0)
            window.showNextPerson();
        else
            window.showPriorPerson();
        ++moved;
    }
}
BENCHMARK(BM_NextPersonOnGeneralPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv,
                                       {.prepare = prepare, .teardown = [] { g_window.reset(); }});
}
