#pragma once

#include "DocumentTexts.h"
#include "TextRecognizer.h"

#include <atomic>
#include <QByteArray>
#include <QImage>
#include <QString>

// What a document says, from its stored file, without the database: a
// picture through the recognizer; an attached file by its type: a PDF's
// text through Poppler (a PDF of scans recognised page by page), a text
// file as it is, a picture through the recognizer. Never throws: a file
// that cannot be read gives State::Unreadable with the reason.
namespace DocumentReader {

struct Reading
{
    DocumentTexts::State state = DocumentTexts::State::Read;
    QString content;
    QString note;
};

// Attached files larger than this are left without text.
constexpr qint64 kMaxFileBytes = 200LL * 1024 * 1024;
// Pages of a PDF without text that are recognised, at most.
constexpr int kMaxScannedPages = 20;

// The stored JPEG of a picture document.
Reading readPicture(const QString& jpegFile, TextRecognizer& recognizer, const std::atomic_bool& cancel);
// The first entry of an attached file's archive; `fileName` is the name
// it was attached under, whose extension tells its type with its bytes.
Reading readAttachedFile(const QString& archive, const QString& fileName, TextRecognizer& recognizer,
                         const std::atomic_bool& cancel);
// An attached file's bytes.
Reading readFileBytes(const QByteArray& bytes, const QString& fileName, TextRecognizer& recognizer,
                      const std::atomic_bool& cancel);

// A picture as 8-bit grey for the recognizer.
Bitmap greyOf(const QImage& image);

} // namespace DocumentReader
