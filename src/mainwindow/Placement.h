#pragma once

#include <QRect>
#include <QString>
#include <Qt>

// Where the main window opens, from the saved placement and the screen's work area.
namespace Placement {
struct Saved
{
    int left = -1;
    int top = -1;
    int width = -1;  // client width; -1: nothing saved
    int height = -1; // client height
};

inline constexpr int kDefaultWidth = 800;
inline constexpr int kDefaultHeight = 600;

// The frame's left and top with the client size, as a rectangle.
QRect initialGeometry(const Saved& saved, const QRect& workArea);
// 800 x 600 centred in the work area, edges kept on screen.
QRect centredDefault(const QRect& workArea);
QString stateName(Qt::WindowStates states);
} // namespace Placement
