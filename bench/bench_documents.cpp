// Storing a picture into a document row, as the documents page does it.
#include "BenchSupport.h"
#include "BmpFormat.h"
#include "Connection.h"
#include "Dataset.h"
#include "ImageStore.h"

#include <benchmark/benchmark.h>
#include <QSqlQuery>

namespace {

// A camera-sized picture with some texture, so the encoder has work to do.
const Bitmap& camera()
{
    static const Bitmap bitmap = [] {
        Bitmap b(6000, 4000);
        for (int y = 0; y < b.height(); ++y) {
            std::uint8_t* row = b.scanLine(y);
            for (int x = 0; x < b.width(); ++x) {
                row[3 * x] = std::uint8_t((x * 7 + y) & 0xff);
                row[3 * x + 1] = std::uint8_t((x + y * 3) & 0xff);
                row[3 * x + 2] = std::uint8_t((x ^ y) & 0xff);
            }
        }
        return b;
    }();
    return bitmap;
}

// A 6000 x 4000 bitmap stored into a document row, as the document page does it.
void BM_StoreImageFile_Bmp6000x4000(benchmark::State& state)
{
    const QString source = BenchSupport::scratchFile(QStringLiteral("tmp.bmp"));
    BmpFormat::writeFile(camera(), source);
    const DbConfig config =
        BenchSupport::copyTemplateDatabase(BenchSupport::scratchFile(QStringLiteral("db/")));
    Connection::open(config);
    QSqlQuery(Connection::database())
        .exec(QStringLiteral(
            "INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, DoType, Title) VALUES (0, 1, 1, 'Scan')"));
    {
        Dataset documents(QStringLiteral("DocumentImg"));
        documents.setSql(QStringList{QStringLiteral("SELECT * FROM DOCUMENTIMG"),
                                     QStringLiteral("WHERE DocumentImg.DoType=1 and DocumentImg.Id_Ref=1")});
        documents.open();
        for (auto _ : state)
            StoreImageFile(documents, "IMGMINI", config.databaseFolder + QStringLiteral("Doc1.jpg"), source,
                           90, 90, ImageStoreSettings{5000, 100});
    }
    Connection::close();
}

} // namespace

BENCHMARK(BM_StoreImageFile_Bmp6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv);
}
