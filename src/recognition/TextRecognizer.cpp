#include "TextRecognizer.h"

#include <omp.h>
#include <QByteArray>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <thread>
#include <vector>

namespace {

bool initialise(tesseract::TessBaseAPI& engine)
{
    // Tesseract's own messages would only clutter the terminal.
    engine.SetVariable("debug_file", "/dev/null");
    // Reading every doubtful line a second time as white on black doubles
    // the time of a page; scans are black on white.
    engine.SetVariable("tessedit_do_invert", "0");
    if (engine.Init(nullptr, TextRecognizer::language.toLatin1().constData(), tesseract::OEM_LSTM_ONLY) != 0)
        return false;
    engine.SetPageSegMode(tesseract::PSM_AUTO);
    return true;
}

bool cancelRequested(void* flag, int)
{
    return static_cast<const std::atomic_bool*>(flag)->load();
}

} // namespace

TextRecognizer::TextRecognizer()
{
    for (auto& engine : m_engines) {
        engine = std::make_unique<tesseract::TessBaseAPI>();
        if (!initialise(*engine)) {
            m_problem = missingLanguageMessage();
            return;
        }
    }
}

TextRecognizer::~TextRecognizer()
{
    for (auto& engine : m_engines)
        if (engine)
            engine->End();
}

QString TextRecognizer::missingLanguageMessage()
{
    return QStringLiteral(
        "Le texte des documents ne peut pas être reconnu : le fichier de la langue française "
        "de Tesseract (fra.traineddata) est introuvable.\rInstallez le paquet "
        "« tesseract-ocr-fra » (sudo apt install tesseract-ocr-fra), puis relancez le programme.");
}

int TextRecognizer::cutRow(const Bitmap& grey)
{
    const int height = grey.height();
    const int width = grey.width();
    if (height < 200 || grey.format() != PixelFormat::Gray8)
        return 0;
    // A row is blank when almost none of its pixels is dark: specks of noise
    // do not make a line of text.
    const int allowed = width / 400 + 1;
    std::vector<bool> blank(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = grey.scanLine(y);
        int dark = 0;
        for (int x = 0; x < width && dark <= allowed; ++x)
            dark += row[x] < 128;
        blank[static_cast<std::size_t>(y)] = dark <= allowed;
    }
    // The middle of the run of blank rows nearest the middle of the page
    // keeps the cut away from the letters' ascenders and descenders.
    const int middle = height / 2;
    for (int distance = 0; distance < height / 4; ++distance) {
        for (const int y : {middle - distance, middle + distance}) {
            if (!blank[static_cast<std::size_t>(y)])
                continue;
            int top = y;
            int bottom = y;
            while (top > 0 && blank[static_cast<std::size_t>(top - 1)])
                --top;
            while (bottom + 1 < height && blank[static_cast<std::size_t>(bottom + 1)])
                ++bottom;
            if (bottom - top >= 3)
                return (top + bottom) / 2;
        }
    }
    return 0;
}

QString TextRecognizer::readBand(tesseract::TessBaseAPI& engine, const Bitmap& grey, int top, int height,
                                 const std::atomic_bool& cancel, int resolution)
{
    // The halves already share the cores: OpenMP threads inside each engine
    // would only fight over them.
    omp_set_num_threads(1);
    engine.SetImage(grey.scanLine(top), grey.width(), height, 1, static_cast<int>(grey.stride()));
    engine.SetSourceResolution(resolution);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &cancelRequested;
    monitor.cancel_this = const_cast<std::atomic_bool*>(&cancel);
    if (engine.Recognize(&monitor) != 0 || cancel.load()) {
        engine.Clear();
        return {};
    }
    const std::unique_ptr<char[]> text(engine.GetUTF8Text());
    engine.Clear();
    return text ? QString::fromUtf8(text.get()) : QString();
}

QString TextRecognizer::recognize(const Bitmap& grey, const std::atomic_bool& cancel, int resolution)
{
    if (!isReady() || grey.isEmpty() || grey.format() != PixelFormat::Gray8)
        return {};
    const int cut = cutRow(grey);
    if (cut == 0)
        return readBand(*m_engines[0], grey, 0, grey.height(), cancel, resolution).trimmed();
    QString lower;
    std::thread second(
        [&] { lower = readBand(*m_engines[1], grey, cut, grey.height() - cut, cancel, resolution); });
    const QString upper = readBand(*m_engines[0], grey, 0, cut, cancel, resolution);
    second.join();
    if (cancel.load())
        return {};
    return (upper.trimmed() + QLatin1Char('\n') + lower.trimmed()).trimmed();
}
