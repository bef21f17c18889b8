#pragma once

#include "Bitmap.h"

// Resamples the picture to the new size by inverse-distance weighting of the
// four source pixels nearest to each destination pixel; the result is 24-bit.
// Resampling to the same size is not the identity: destination pixels sit
// half a pixel up and left of their source, so each one blends itself with
// its left, upper and upper-left neighbours.
void ResizeBitmap(Bitmap& bitmap, int newWidth, int newHeight);

// target = a 24-bit copy of source resampled to its FitImageRect in the box
// (margin 0): reduced with proportions kept when larger, same size otherwise.
void ShrinkToBox(Bitmap& target, const Bitmap& source, int boxWidth, int boxHeight);

// A quarter turn: clockwise for 90, anticlockwise for any other angle. The
// pixel format is kept.
void RotateBitmap(Bitmap& bitmap, int angle);

// The source fitted into width x height (ShrinkToBox) and drawn centred on a
// white 24-bit picture of exactly that size; all white for an empty source.
Bitmap thumbnailOnWhite(const Bitmap& source, int width, int height);
