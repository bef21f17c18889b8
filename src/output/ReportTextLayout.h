#pragma once

#include "ReportLayout.h"

#include <map>
#include <memory>
#include <QFont>
#include <QFontMetricsF>
#include <QStringList>

// How a text object's lines are measured: its font at the engine's scale,
// and its text cut into the lines its box holds.
namespace ReportTextLayout {

// Font pixel sizes are in hundredths of a millimetre.
constexpr qreal kUnits = 100.0;

struct FontInfo
{
    QFont font;
    QFontMetricsF metrics;
    qreal lineHeight; // millimetres
};

// The fonts of a layout's text objects, each made once.
class Fonts
{
public:
    const FontInfo* of(const ReportObject& object);

private:
    std::map<QString, std::unique_ptr<FontInfo>> m_fonts;
};

// The text's lines within `width` millimetres: its own line breaks, and
// when `wrap`, long lines broken at words (or anywhere, for a word wider
// than the box). Empty lines at the end take no room.
QStringList breakLines(const QString& text, const FontInfo& font, qreal width, bool wrap);

} // namespace ReportTextLayout
