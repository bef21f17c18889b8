#pragma once

#include "ReportEngine.h"

#include <QImage>

// One stored picture on an A4 page: upright for a picture higher than wide
// or square, turned for a wider one, the picture object "Img" filling the
// printable area, the picture centred in it with its proportions kept.
namespace PictureReport {
ReportLayout layout(bool landscape);
PreparedReport prepare(const QImage& picture, const QString& title);
} // namespace PictureReport
