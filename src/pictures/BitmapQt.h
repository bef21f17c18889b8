#pragma once

#include "Bitmap.h"

#include <QImage>

// Hand-over between the picture routines and Qt's own pictures (display,
// built-in pictures, painting).

// A deep copy: Gray8 as Grayscale8, Bgr24 as BGR888, Bgra32 as ARGB32.
QImage toQImage(const Bitmap& bitmap);
// The same picture over the bitmap's own pixels, nothing copied: valid only
// while the bitmap lives unchanged. For drawing a large picture reduced.
QImage viewAsQImage(const Bitmap& bitmap);
// A deep copy: grey pictures as Gray8, all others as Bgr24; transparent parts
// are laid on white.
Bitmap fromQImage(const QImage& image);
