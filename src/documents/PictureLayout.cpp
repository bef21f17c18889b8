#include "PictureLayout.h"

#include "ImageGeometry.h"

namespace PictureLayout {
namespace {
QRect fitted(int boxWidth, int boxHeight, QSize picture)
{
    const FitRect fit = FitImageRect(boxWidth, boxHeight, picture.width(), picture.height(), 0);
    return {fit.left + 10, fit.top + 10, fit.width, fit.height};
}
} // namespace

Placement preview(Zoom zoom, QSize frame, QSize picture)
{
    Placement p;
    if (frame.isEmpty() || picture.isEmpty())
        return p;
    const int w = frame.width();
    const int h = frame.height();
    switch (zoom) {
    case Zoom::WholePicture:
        p.picture = fitted(w - 25, h - 25, picture);
        p.extent = frame;
        return p;
    case Zoom::FitWidth: {
        const int c = nearestInt(double(picture.height()) / picture.width() * (w - 20));
        p.picture = fitted(w - 45, c - 25, picture);
        break;
    }
    case Zoom::ActualSize:
        p.picture = QRect(QPoint(10, 10), picture);
        break;
    }
    // The spacer at the picture's bottom-right corner.
    p.extent = QSize(p.picture.right() + 1 + 10, p.picture.bottom() + 1 + 10);
    return p;
}

QRect view(QSize window, QSize picture)
{
    if (window.isEmpty() || picture.isEmpty())
        return {};
    return fitted(window.width() - 20, window.height() - 20, picture);
}

} // namespace PictureLayout
