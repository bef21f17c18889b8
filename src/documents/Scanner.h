#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The scanner front end of the picture documents and the properties dialog,
// over SANE. The configured source is a SANE device name ([Scan] TwainSource).
namespace Scanner {

// True when at least one device with a name is installed.
bool isAvailable();
// The names of the installed devices, in SANE's order; empty when SANE
// cannot start.
QStringList listSources();

// Scans one picture, with a busy cursor and a progress window that can
// cancel it. The device is `source` (compared without regard to case), or
// the first one installed when no device has that name. With
// `showOptions` the device's own settings are offered first in a dialog.
// The picture is written as a BMP file to `targetFile` (replaced only once
// complete) and true returned; a cancelled or failed scan writes nothing,
// says why in a message and returns false.
bool acquire(QWidget* parent, const QString& source, bool showOptions, const QString& targetFile);

} // namespace Scanner
