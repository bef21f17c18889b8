#include "TextFiles.h"

#include "FileUtils.h"

#include <QStringDecoder>

namespace TextFiles {
namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                      0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
} // namespace

QString decode(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(view.size());
    for (const char c : view) {
        const auto byte = static_cast<unsigned char>(c);
        text += (byte >= 0x80 && byte < 0xA0) ? QChar(kCp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString read(const QString& path, bool* exists)
{
    return decode(FileUtils::readFile(path, exists));
}

void saveLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    FileUtils::writeFileAtomically(path, bytes);
}
} // namespace TextFiles
