#include "DocumentReader.h"

#include "BitmapQt.h"
#include "Cabinet.h"
#include "Errors.h"
#include "JpegIO.h"
#include "TextFiles.h"

#include <poppler-qt6.h>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QTemporaryDir>

namespace DocumentReader {
namespace {

using State = DocumentTexts::State;

Reading unreadable(const QString& note)
{
    return {State::Unreadable, {}, note};
}

Reading recognised(const Bitmap& grey, TextRecognizer& recognizer, const std::atomic_bool& cancel,
                   int resolution = 300)
{
    return {State::Read, recognizer.recognize(grey, cancel, resolution), {}};
}

Reading readPdf(const QByteArray& bytes, TextRecognizer& recognizer, const std::atomic_bool& cancel)
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
    if (!document)
        return unreadable(QStringLiteral("Document PDF illisible ou endommagé."));
    if (document->isLocked())
        return unreadable(QStringLiteral("Document PDF protégé par un mot de passe."));
    QStringList pages;
    for (int i = 0; i < document->numPages() && !cancel.load(); ++i)
        if (const std::unique_ptr<Poppler::Page> page = document->page(i))
            pages << page->text(QRectF()).trimmed();
    QString text = pages.join(QLatin1Char('\n')).trimmed();
    if (!text.isEmpty())
        return {State::Read, text, {}};
    // No text layer: the pages are scans.
    pages.clear();
    for (int i = 0; i < std::min(document->numPages(), kMaxScannedPages) && !cancel.load(); ++i)
        if (const std::unique_ptr<Poppler::Page> page = document->page(i))
            pages << recognizer.recognize(greyOf(page->renderToImage(300, 300)), cancel);
    return {State::Read, pages.join(QLatin1Char('\n')).trimmed(), {}};
}

} // namespace

Bitmap greyOf(const QImage& image)
{
    if (image.isNull())
        return {};
    return fromQImage(image.convertToFormat(QImage::Format_Grayscale8));
}

Reading readPicture(const QString& jpegFile, TextRecognizer& recognizer, const std::atomic_bool& cancel)
{
    if (!QFileInfo::exists(jpegFile))
        return unreadable(QStringLiteral("Image introuvable : %1").arg(jpegFile));
    Bitmap picture;
    if (!LoadJpegFile(picture, jpegFile, true))
        return unreadable(QStringLiteral("Image illisible ou endommagée."));
    if (picture.format() != PixelFormat::Gray8)
        picture = greyOf(toQImage(picture));
    return recognised(picture, recognizer, cancel);
}

Reading readFileBytes(const QByteArray& bytes, const QString& fileName, TextRecognizer& recognizer,
                      const std::atomic_bool& cancel)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(fileName, bytes);
    if (type.inherits(QStringLiteral("application/pdf")))
        return readPdf(bytes, recognizer, cancel);
    if (type.inherits(QStringLiteral("text/plain")))
        return {State::Read, TextFiles::decode(bytes), {}};
    if (type.name().startsWith(QLatin1String("image/"))) {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        reader.setAllocationLimit(400); // megabytes: a hostile header gets no more
        const QImage image = reader.read();
        if (image.isNull())
            return unreadable(QStringLiteral("Image illisible ou endommagée."));
        const int dpi = qRound(image.dotsPerMeterX() * 0.0254);
        return recognised(greyOf(image), recognizer, cancel, dpi >= 70 && dpi <= 1200 ? dpi : 300);
    }
    return {
        State::NoText, {}, QStringLiteral("Type de fichier sans texte lisible (%1).").arg(type.comment())};
}

Reading readAttachedFile(const QString& archive, const QString& fileName, TextRecognizer& recognizer,
                         const std::atomic_bool& cancel)
{
    try {
        const QList<Cabinet::Entry> entries = Cabinet::list(archive);
        if (entries.isEmpty())
            return unreadable(QStringLiteral("Fichier joint vide ou endommagé."));
        if (entries.first().size > kMaxFileBytes)
            return {State::NoText, {}, QStringLiteral("Fichier trop volumineux pour en lire le texte.")};
        QTemporaryDir scratch;
        if (!scratch.isValid())
            return unreadable(QStringLiteral("Aucun dossier temporaire pour lire le fichier."));
        const QString copy = scratch.filePath(QStringLiteral("document"));
        Cabinet::extractEntry(archive, 0, copy);
        QFile file(copy);
        if (!file.open(QIODevice::ReadOnly))
            return unreadable(QStringLiteral("Fichier joint illisible."));
        return readFileBytes(file.readAll(), fileName, recognizer, cancel);
    } catch (const AppError& e) {
        return unreadable(e.text().left(250));
    }
}

} // namespace DocumentReader
