#pragma once

#include "Bitmap.h"

#include <atomic>
#include <memory>
#include <QString>

namespace tesseract {
class TessBaseAPI;
}

// Tesseract with its French data, on an 8-bit grey page. A page is cut at
// the blank line nearest its middle and both halves are read at once, each
// by its own engine, so a 300 dpi A4 scan uses both cores. One recognizer
// belongs to one thread.
class TextRecognizer
{
public:
    static inline const QString language = QStringLiteral("fra");

    // Loads the language data; when it cannot, isReady() is false and
    // problem() says, in French, what to install.
    TextRecognizer();
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer&) = delete;
    TextRecognizer& operator=(const TextRecognizer&) = delete;

    bool isReady() const { return m_problem.isEmpty(); }
    const QString& problem() const { return m_problem; }
    static QString missingLanguageMessage();

    // The page's text, lines as Tesseract found them; empty when `cancel`
    // became true on the way. `resolution` is the scan's, in dots per inch.
    QString recognize(const Bitmap& grey, const std::atomic_bool& cancel, int resolution = 300);

    // The row where a page of that height is cut (0: it is read whole):
    // a blank row between a quarter and three quarters of the page.
    static int cutRow(const Bitmap& grey);

private:
    QString readBand(tesseract::TessBaseAPI& engine, const Bitmap& grey, int top, int height,
                     const std::atomic_bool& cancel, int resolution);

    std::unique_ptr<tesseract::TessBaseAPI> m_engines[2];
    QString m_problem;
};
