#pragma once

#include <cmath>

// v rounded to the nearest integer, a half going to the even neighbour: the
// rounding every picture computation uses.
inline double nearest(double v)
{
    // Adding and removing 1.5 * 2^52 leaves the integer the FPU rounded to
    // (to nearest, ties to even); much faster than nearbyint in pixel loops.
    constexpr double kShift = 6755399441055744.0;
    if (std::fabs(v) < 2251799813685248.0) // 2^51
        return (v + kShift) - kShift;
    return std::nearbyint(v);
}

inline int nearestInt(double v)
{
    return static_cast<int>(nearest(v));
}

// Where a picture goes in a box: relative to the box, in pixels.
struct FitRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool scaled = false; // the picture had to be reduced

    bool operator==(const FitRect&) const = default;
};

// The picture at its own size and centred when it fits inside the box less
// the margin; otherwise reduced, proportions kept, to the box less the margin
// on one side and centred on the other.
FitRect FitImageRect(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight, int margin);
