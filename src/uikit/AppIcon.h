#pragma once

#include <QIcon>
#include <QPixmap>

// The program's emblem, drawn rather than shipped: a health-record cover with a cross.
namespace AppIcon {
QPixmap pixmap(int size);
QIcon icon();
} // namespace AppIcon
