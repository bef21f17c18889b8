#pragma once

#include "ReportEngine.h"

#include <functional>
#include <optional>
#include <QImage>

class QWidget;

// One stored picture on an A4 page: upright for a picture higher than wide
// or square, turned for a wider one, the picture object "Img" filling the
// printable area, the picture centred in it with its proportions kept.
namespace PictureReport {
ReportLayout layout(bool landscape);
PreparedReport prepare(const QImage& picture, const QString& title);

// What the picture viewer hands its printing: its pictures, one page each,
// and the one it shows. A page is none when its file is gone, which the
// viewer has said.
struct Pictures
{
    QString jobName;
    int count = 0;
    int shown = 0; // from 0
    bool shownPresent = false;
    std::function<std::optional<PreparedReport>()> shownPage;
    // Printing a range ends the viewing: the viewer leaves the screen, shows
    // each chosen picture in turn for its page, and is done once the job is
    // printed.
    std::function<void()> leave;
    std::function<std::optional<PreparedReport>(int index)> pageAt;
    std::function<void()> done;
};
// How the viewer's print button prints; lent by the program's assembly.
using Printing = std::function<void(const Pictures& pictures, QWidget* viewer)>;
} // namespace PictureReport
