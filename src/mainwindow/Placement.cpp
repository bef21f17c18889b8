#include "Placement.h"

#include <cmath>

namespace Placement {
namespace {
// Halves round to even, as the placement has always done.
int centred(int edge, int size)
{
    return static_cast<int>(std::nearbyint((edge - size) / 2.0));
}

// A negative edge is centred again, then clamped to 0.
int onScreen(int position, int edge, int size)
{
    if (position >= 0)
        return position;
    position = centred(edge, size);
    return position < 0 ? 0 : position;
}
} // namespace

QRect centredDefault(const QRect& workArea)
{
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    return {onScreen(centred(right, kDefaultWidth), right, kDefaultWidth),
            onScreen(centred(bottom, kDefaultHeight), bottom, kDefaultHeight), kDefaultWidth, kDefaultHeight};
}

QRect initialGeometry(const Saved& saved, const QRect& workArea)
{
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    if (saved.width < 0 || saved.height < 0 || saved.left + saved.width > right ||
        saved.top + saved.height > bottom)
        return centredDefault(workArea);
    return {onScreen(saved.left, right, saved.width), onScreen(saved.top, bottom, saved.height), saved.width,
            saved.height};
}

QString stateName(Qt::WindowStates states)
{
    if (states & Qt::WindowMinimized)
        return QStringLiteral("wsMinimized");
    if (states & Qt::WindowMaximized)
        return QStringLiteral("wsMaximized");
    return QStringLiteral("wsNormal");
}
} // namespace Placement
