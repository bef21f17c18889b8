#pragma once

#include <QRect>
#include <QSize>

// Where the picture viewers put a picture in their frame.
namespace PictureLayout {

enum class Zoom
{
    WholePicture = 1,
    FitWidth = 2,
    ActualSize = 3
};

struct Placement
{
    QRect picture; // where it is drawn, stretched to this size
    QSize extent;  // what the frame scrolls over
};

// The full viewer: the whole picture within the frame less 25 pixels; as
// wide as the frame less 45; or at its own size; 10 pixels from the
// frame's corner, and for the two scrolling zooms 10 more after it. An
// empty frame or picture places nothing.
Placement preview(Zoom zoom, QSize frame, QSize picture);
// The simple viewer: the picture within the window less 20 pixels, 10
// pixels from the corner.
QRect view(QSize window, QSize picture);

} // namespace PictureLayout
