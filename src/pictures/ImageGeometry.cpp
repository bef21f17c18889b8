#include "ImageGeometry.h"

#include <algorithm>

namespace {

FitRect fitToHeight(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight, int margin)
{
    FitRect rect;
    rect.scaled = true;
    rect.height = boxHeight - margin;
    rect.width = nearestInt(double(boxHeight - margin) / pictureHeight * pictureWidth);
    rect.left = nearestInt((boxWidth - rect.width) / 2.0);
    rect.top = nearestInt(margin / 2.0);
    return rect;
}

FitRect fitToWidth(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight, int margin)
{
    FitRect rect;
    rect.scaled = true;
    rect.width = boxWidth - margin;
    rect.height = nearestInt(double(boxWidth - margin) / pictureWidth * pictureHeight);
    rect.left = nearestInt(margin / 2.0);
    rect.top = nearestInt((boxHeight - rect.height) / 2.0);
    return rect;
}

FitRect chooseFit(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight, int margin)
{
    if (pictureWidth < pictureHeight) {
        const int heightFitWidth = nearestInt(double(boxHeight - margin) / pictureHeight * pictureWidth);
        return heightFitWidth > boxWidth
                   ? fitToWidth(boxWidth, boxHeight, pictureWidth, pictureHeight, margin)
                   : fitToHeight(boxWidth, boxHeight, pictureWidth, pictureHeight, margin);
    }
    if (pictureWidth > pictureHeight) {
        const int widthFitHeight = nearestInt(double(boxWidth - margin) / pictureWidth * pictureHeight);
        return widthFitHeight > boxHeight
                   ? fitToHeight(boxWidth, boxHeight, pictureWidth, pictureHeight, margin)
                   : fitToWidth(boxWidth, boxHeight, pictureWidth, pictureHeight, margin);
    }
    const bool tooWide = pictureWidth > boxWidth - margin;
    const bool tooHigh = pictureHeight > boxHeight - margin;
    if (tooWide && tooHigh) {
        FitRect rect;
        rect.scaled = true;
        rect.width = boxWidth - margin;
        rect.height = boxHeight - margin;
        rect.left = rect.top = nearestInt(margin / 2.0);
        return rect;
    }
    // A square picture too large in one direction only (a box that is not
    // square): reduced to the side that is too short, still square.
    return tooWide ? fitToWidth(boxWidth, boxHeight, pictureWidth, pictureHeight, margin)
                   : fitToHeight(boxWidth, boxHeight, pictureWidth, pictureHeight, margin);
}

} // namespace

FitRect FitImageRect(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight, int margin)
{
    if (pictureWidth <= 0 || pictureHeight <= 0) // no picture: nothing to scale, nothing to divide by
        return FitRect{nearestInt(boxWidth / 2.0), nearestInt(boxHeight / 2.0), 0, 0, false};
    if (pictureHeight <= boxHeight - margin && pictureWidth <= boxWidth - margin) {
        FitRect rect;
        rect.width = pictureWidth;
        rect.height = pictureHeight;
        rect.left = nearestInt((boxWidth - pictureWidth) / 2.0);
        rect.top = nearestInt((boxHeight - pictureHeight) / 2.0);
        return rect;
    }
    FitRect rect = chooseFit(boxWidth, boxHeight, pictureWidth, pictureHeight, margin);
    // A margin wider than the box leaves no room at all.
    rect.width = std::max(rect.width, 0);
    rect.height = std::max(rect.height, 0);
    return rect;
}
