#pragma once

#include <QPixmap>

// The pin that marks a recorded reimbursement: 12 x 12 pixels in the grids;
// larger for the reimbursement button.
namespace PinGlyph {
inline constexpr int kSize = 12;
QPixmap pixmap(int size = kSize);
} // namespace PinGlyph
