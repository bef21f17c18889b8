#pragma once

#include "Bitmap.h"
#include "Errors.h"

#include <functional>
#include <memory>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Raised by the scanner front end: a device that cannot be opened, a scan
// that fails or is cancelled. The text is the French one shown.
class ScanError : public AppError
{
public:
    explicit ScanError(const QString& text, bool cancelled = false) : AppError(text), m_cancelled(cancelled)
    {
    }
    bool cancelled() const { return m_cancelled; }

private:
    bool m_cancelled;
};

// The scanner devices of SANE (libsane), wrapped so that no other file sees
// its header: the device list, a device's options, and one scan into a bitmap.
namespace Sane {

// The names of the installed devices ("backend:device"), in SANE's order;
// empty when SANE cannot start. `localOnly` leaves out network scanners,
// which can take seconds to look for.
QStringList deviceNames(bool localOnly = false);

// One option of a device, as an options dialog shows and edits it.
struct Option
{
    enum class Type
    {
        Bool,
        Int,
        Fixed,
        String,
        Button,
        Group
    };
    enum class Constraint
    {
        None,
        Range,
        WordList,
        StringList
    };

    int index = 0;
    QString name;
    QString title;
    QString description;
    Type type = Type::Int;
    QString unit;  // "dpi", "mm", "%", "µs", "bits", "px" or empty
    int count = 1; // values of an Int or Fixed option (only the first is edited)
    bool active = true;
    bool settable = true;
    bool advanced = false;
    Constraint constraint = Constraint::None;
    double minimum = 0, maximum = 0, step = 0;
    QList<double> words;
    QStringList strings;      // the values as the device knows them
    QStringList stringTitles; // the same, as shown to the user
    QVariant value;           // bool, int, double or QString
};

// One opened device. Only one exists at a time; SANE is started with it and
// stopped when it goes.
class Device
{
public:
    // Throws ScanError when the device is not there or cannot be opened.
    explicit Device(const QString& name);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const QString& name() const { return m_name; }
    // Read afresh: setting one option may change the others.
    QList<Option> options() const;
    // Sets an option (Button: presses it). Throws ScanError when refused.
    void setOption(int index, const QVariant& value);

    // Called between reads with the bytes read so far and the bytes expected
    // (0 when unknown); false cancels the scan.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    // Scans one picture with the device's current options: grey pictures as
    // Gray8, colour (one or three passes) as Bgr24, 1- and 16-bit samples
    // brought to 8 bits. Throws ScanError (cancelled() when the progress
    // asked for it) and ImageError for a picture too large to hold.
    Bitmap scan(const Progress& progress);

private:
    struct Handle;
    QString m_name;
    std::unique_ptr<Handle> m_handle;
};

} // namespace Sane
