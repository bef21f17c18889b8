// The person column with a large household: rebuilding the list of 1 000
// persons who all have a small photo (read, decoded and fitted into 45 x 45),
// and moving from one person to the next with the page "Général" visible,
// in the real main window on the offscreen platform.
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Connection.h"
#include "ProgramState.h"
#include "ProgramAssembly.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TMainForm.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

constexpr int kPersons = 1000;

struct Household
{
    QTemporaryDir folder;
    std::unique_ptr<TDataModule1> dataModule;
    std::unique_ptr<TDataModule2> dataModule2;
    std::unique_ptr<TMainForm> window;
};

Household& household()
{
    static Household h;
    return h;
}

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
    Household& h = household();
    ProgramState& state = program();
    state.folders.data = h.folder.path() + QLatin1Char('/');
    state.folders.iniFileName = QStringLiteral("brivoline.ini");
    state.db.databaseFolder = state.folders.data + QStringLiteral("Data/");
    state.folders.database = state.db.databaseFolder;
    for (const char* sub : {"Access", "Images", "Files"})
        QDir().mkpath(state.db.databaseFolder + QString::fromLatin1(sub));
    QFile::copy(QStringLiteral(BRIVOLINE_PROGRAM_DIR "Ressources/DB/Data/Access/BRIVOLINE.MDB"), state.db.databaseFile());
    QFile(state.db.databaseFile()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    h.dataModule = std::make_unique<TDataModule1>(state.db);
    h.dataModule2 = std::make_unique<TDataModule2>();

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

    h.window = ProgramAssembly::mainWindow(*h.dataModule, *h.dataModule2);
    h.window->show();
    QApplication::processEvents();
}

void BM_RefreshPersonList(benchmark::State& state)
{
    TMainForm& window = *household().window;
    for (auto _ : state)
        window.RefreshPersonList(-1);
    state.counters["persons"] = kPersons;
}
BENCHMARK(BM_RefreshPersonList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_NextPersonOnGeneralPage(benchmark::State& state)
{
    TMainForm& window = *household().window;
    window.TabNoteBookTabChange(TMainForm::General);
    window.RefreshPersonList(-1);
    int moved = 0;
    for (auto _ : state) {
        // Walk down the list and back up, so every step is a real move.
        if ((moved / (kPersons - 1)) % 2 == 0)
            window.Btn_Main_NextClick();
        else
            window.Btn_Main_PriorClick();
        ++moved;
    }
}
BENCHMARK(BM_NextPersonOnGeneralPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    prepare();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    household().window.reset();
    household().dataModule2.reset();
    household().dataModule.reset();
    return 0;
}
