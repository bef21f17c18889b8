#include "ReportTextLayout.h"

#include <QTextLayout>

namespace ReportTextLayout {

namespace {
constexpr qreal kPointInMm = 25.4 / 72.0;
} // namespace

const FontInfo* Fonts::of(const ReportObject& o)
{
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(o.family).arg(o.size).arg(o.bold).arg(o.italic);
    auto found = m_fonts.find(key);
    if (found == m_fonts.end()) {
        QFont f(o.family);
        f.setPixelSize(qMax(1, qRound(o.size * kPointInMm * kUnits)));
        f.setBold(o.bold);
        f.setItalic(o.italic);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setKerning(false);
        const QFontMetricsF metrics(f);
        found =
            m_fonts.emplace(key, std::make_unique<FontInfo>(FontInfo{f, metrics, metrics.height() / kUnits}))
                .first;
    }
    return found->second.get();
}

QStringList breakLines(const QString& text, const FontInfo& font, qreal width, bool wrap)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines;
    const qreal available = width * kUnits;
    for (const QString& paragraph : normalised.split(QLatin1Char('\n'))) {
        if (!wrap || font.metrics.horizontalAdvance(paragraph) <= available) {
            lines << paragraph;
            continue;
        }
        QTextLayout layout(paragraph, font.font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(available);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (!part.isEmpty() && part.back().isSpace())
                part.chop(1);
            lines << part;
        }
        layout.endLayout();
    }
    // A field left empty at the end of a text takes no line.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace ReportTextLayout
