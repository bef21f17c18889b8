#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The program's emblem, drawn rather than shipped: a health-record cover with a cross.
namespace AppIcon {
QPixmap pixmap(int size);
QIcon icon();
// The grey head-and-shoulders shown for a person without a photo.
QImage silhouette(int size);
} // namespace AppIcon
