#include "SaneDevice.h"

#include "ImageError.h"

#include <cstring>
#include <libintl.h>
#include <poll.h>
#include <pthread.h>
#include <QElapsedTimer>
#include <QThread>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <unistd.h>
#include <vector>

namespace Sane {
namespace {

// Stopping a thread makes the C library load its unwinder, the first time,
// under the loader's lock. Backends stop their reader threads at any point
// of their work, and one stopped in the middle of that first load leaves the
// lock taken for good: the next library unload then waits forever. Having
// the unwinder loaded before any backend runs, by stopping a thread of our
// own, keeps the backends' stops away from the lock.
void loadThreadUnwinder()
{
    static const bool loaded = [] {
        pthread_t idle;
        if (pthread_create(
                &idle, nullptr,
                [](void*) -> void* {
                    for (;;)
                        pause();
                },
                nullptr) != 0)
            return false;
        pthread_cancel(idle);
        pthread_join(idle, nullptr);
        return true;
    }();
    Q_UNUSED(loaded);
}

// SANE is started for a listing or for the life of one device, never twice at once.
class Session
{
public:
    Session()
    {
        loadThreadUnwinder();
        SANE_Int version = 0;
        m_ok = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    ~Session()
    {
        if (m_ok)
            sane_exit();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

QString statusText(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_CANCELLED:
        return QStringLiteral("La numérisation a été annulée.");
    case SANE_STATUS_DEVICE_BUSY:
        return QStringLiteral("Le scanner est occupé par une autre application.");
    case SANE_STATUS_JAMMED:
        return QStringLiteral("Le papier est coincé dans le scanner.");
    case SANE_STATUS_NO_DOCS:
        return QStringLiteral("Il n'y a plus de document dans le chargeur du scanner.");
    case SANE_STATUS_COVER_OPEN:
        return QStringLiteral("Le capot du scanner est ouvert.");
    case SANE_STATUS_IO_ERROR:
        return QStringLiteral("La communication avec le scanner a été interrompue : vérifiez qu'il est "
                              "branché et allumé.");
    case SANE_STATUS_NO_MEM:
        return QStringLiteral("La mémoire manque pour numériser cette image.");
    case SANE_STATUS_ACCESS_DENIED:
        return QStringLiteral("L'accès au scanner est refusé.");
    case SANE_STATUS_INVAL:
        return QStringLiteral("Le scanner refuse les réglages demandés.");
    case SANE_STATUS_UNSUPPORTED:
        return QStringLiteral("Le scanner ne permet pas cette opération.");
    case SANE_STATUS_EOF:
        return QStringLiteral("Le scanner n'a renvoyé aucune image.");
    default:
        return QStringLiteral("Erreur du scanner : %1").arg(QString::fromUtf8(sane_strstatus(status)));
    }
}

[[noreturn]] void fail(SANE_Status status)
{
    throw ScanError(statusText(status), status == SANE_STATUS_CANCELLED);
}

QString unitText(SANE_Unit unit)
{
    switch (unit) {
    case SANE_UNIT_PIXEL:
        return QStringLiteral("px");
    case SANE_UNIT_BIT:
        return QStringLiteral("bits");
    case SANE_UNIT_MM:
        return QStringLiteral("mm");
    case SANE_UNIT_DPI:
        return QStringLiteral("dpi");
    case SANE_UNIT_PERCENT:
        return QStringLiteral("%");
    case SANE_UNIT_MICROSECOND:
        return QStringLiteral("µs");
    default:
        return {};
    }
}

// Option titles and descriptions in the user's language, from the
// backends' own translations.
QString translated(const char* text)
{
    return text && *text ? QString::fromUtf8(dgettext("sane-backends", text)) : QString();
}

enum class Channel
{
    Gray,
    Rgb,
    Red,
    Green,
    Blue
};

// One 8-bit sample of a frame row: 16-bit samples (in host order) keep
// their high byte; 1-bit grey means black when set, 1-bit colour full.
int sample(const unsigned char* row, int index, int depth, bool gray)
{
    if (depth == 8)
        return row[index];
    if (depth == 16) {
        quint16 v;
        std::memcpy(&v, row + 2 * index, sizeof v);
        return v >> 8;
    }
    const bool set = (row[index / 8] >> (7 - index % 8)) & 1;
    return gray ? (set ? 0 : 255) : (set ? 255 : 0);
}

void putFrame(Bitmap& out, const QByteArray& raw, const SANE_Parameters& p, int lines, Channel channel)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.constData());
    const bool gray = channel != Channel::Rgb;
    const bool lineart = channel == Channel::Gray;
    for (int y = 0; y < lines; ++y) {
        const unsigned char* row = bytes + static_cast<qsizetype>(y) * p.bytes_per_line;
        std::uint8_t* target = out.scanLine(y);
        for (int x = 0; x < p.pixels_per_line; ++x) {
            switch (channel) {
            case Channel::Gray:
                target[x] = static_cast<std::uint8_t>(sample(row, x, p.depth, lineart));
                break;
            case Channel::Rgb:
                // SANE gives red, green, blue; the bitmap holds blue, green, red.
                for (int c = 0; c < 3; ++c)
                    target[3 * x + 2 - c] = static_cast<std::uint8_t>(sample(row, 3 * x + c, p.depth, gray));
                break;
            case Channel::Red:
            case Channel::Green:
            case Channel::Blue: {
                const int offset = channel == Channel::Blue ? 0 : channel == Channel::Green ? 1 : 2;
                target[3 * x + offset] = static_cast<std::uint8_t>(sample(row, x, p.depth, false));
                break;
            }
            }
        }
    }
}

Channel channelOf(SANE_Frame frame)
{
    switch (frame) {
    case SANE_FRAME_GRAY:
        return Channel::Gray;
    case SANE_FRAME_RGB:
        return Channel::Rgb;
    case SANE_FRAME_RED:
        return Channel::Red;
    case SANE_FRAME_GREEN:
        return Channel::Green;
    case SANE_FRAME_BLUE:
        return Channel::Blue;
    default:
        throw ScanError(
            QStringLiteral("Le scanner envoie l'image dans un format que le programme ne lit pas."));
    }
}

} // namespace

struct Device::Handle
{
    Session session;
    SANE_Handle handle = nullptr;
};

QStringList deviceNames(bool localOnly)
{
    Session session;
    QStringList names;
    if (!session.ok())
        return names;
    const SANE_Device** devices = nullptr;
    if (sane_get_devices(&devices, localOnly ? SANE_TRUE : SANE_FALSE) != SANE_STATUS_GOOD || !devices)
        return names;
    for (int i = 0; devices[i]; ++i)
        if (devices[i]->name && *devices[i]->name)
            names << QString::fromUtf8(devices[i]->name);
    return names;
}

Device::Device(const QString& name) : m_name(name), m_handle(std::make_unique<Handle>())
{
    if (!m_handle->session.ok())
        throw ScanError(
            QStringLiteral("Chargement SANE impossible.\rVérifiez que les pilotes des scanners (SANE) "
                           "ont bien été installés."));
    const SANE_Status status = sane_open(name.toUtf8().constData(), &m_handle->handle);
    if (status != SANE_STATUS_GOOD)
        throw ScanError(
            QStringLiteral("Impossible d'ouvrir le scanner « %1 ».\r%2").arg(name, statusText(status)));
}

Device::~Device()
{
    if (m_handle->handle)
        sane_close(m_handle->handle);
}

QList<Option> Device::options() const
{
    QList<Option> list;
    SANE_Handle h = m_handle->handle;
    SANE_Int count = 0;
    if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return list;
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (!d)
            continue;
        Option o;
        o.index = i;
        o.name = QString::fromUtf8(d->name ? d->name : "");
        o.title = translated(d->title);
        o.description = translated(d->desc);
        o.unit = unitText(d->unit);
        o.active = SANE_OPTION_IS_ACTIVE(d->cap);
        o.settable = SANE_OPTION_IS_SETTABLE(d->cap);
        o.advanced = (d->cap & SANE_CAP_ADVANCED) != 0;
        const bool fixed = d->type == SANE_TYPE_FIXED;
        const auto number = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : static_cast<double>(w); };
        switch (d->type) {
        case SANE_TYPE_BOOL:
            o.type = Option::Type::Bool;
            break;
        case SANE_TYPE_INT:
            o.type = Option::Type::Int;
            break;
        case SANE_TYPE_FIXED:
            o.type = Option::Type::Fixed;
            break;
        case SANE_TYPE_STRING:
            o.type = Option::Type::String;
            break;
        case SANE_TYPE_BUTTON:
            o.type = Option::Type::Button;
            break;
        default:
            o.type = Option::Type::Group;
            break;
        }
        if (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED)
            o.count = qMax(1, d->size / static_cast<int>(sizeof(SANE_Word)));
        switch (d->constraint_type) {
        case SANE_CONSTRAINT_RANGE:
            o.constraint = Option::Constraint::Range;
            o.minimum = number(d->constraint.range->min);
            o.maximum = number(d->constraint.range->max);
            o.step = number(d->constraint.range->quant);
            break;
        case SANE_CONSTRAINT_WORD_LIST:
            o.constraint = Option::Constraint::WordList;
            for (int w = 1; w <= d->constraint.word_list[0]; ++w)
                o.words << number(d->constraint.word_list[w]);
            break;
        case SANE_CONSTRAINT_STRING_LIST:
            o.constraint = Option::Constraint::StringList;
            for (int s = 0; d->constraint.string_list[s]; ++s) {
                o.strings << QString::fromUtf8(d->constraint.string_list[s]);
                o.stringTitles << translated(d->constraint.string_list[s]);
            }
            break;
        default:
            break;
        }
        if (o.active && d->size > 0 && d->type != SANE_TYPE_BUTTON && d->type != SANE_TYPE_GROUP) {
            std::vector<char> buffer(static_cast<size_t>(d->size) + 1, 0);
            if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) ==
                SANE_STATUS_GOOD) {
                SANE_Word word;
                std::memcpy(&word, buffer.data(), sizeof word);
                if (d->type == SANE_TYPE_BOOL)
                    o.value = word != SANE_FALSE;
                else if (d->type == SANE_TYPE_INT)
                    o.value = static_cast<int>(word);
                else if (d->type == SANE_TYPE_FIXED)
                    o.value = SANE_UNFIX(word);
                else
                    o.value = QString::fromUtf8(buffer.data());
            }
        }
        list << o;
    }
    return list;
}

void Device::setOption(int index, const QVariant& value)
{
    SANE_Handle h = m_handle->handle;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, index);
    if (!d)
        throw ScanError(QStringLiteral("Ce réglage du scanner n'existe pas."));
    SANE_Status status = SANE_STATUS_GOOD;
    SANE_Int info = 0;
    if (d->type == SANE_TYPE_BUTTON) {
        status = sane_control_option(h, index, SANE_ACTION_SET_VALUE, nullptr, &info);
    } else if (d->type == SANE_TYPE_STRING) {
        std::vector<char> buffer(static_cast<size_t>(qMax<SANE_Int>(d->size, 1)), 0);
        const QByteArray text = value.toString().toUtf8();
        std::memcpy(buffer.data(), text.constData(),
                    qMin(static_cast<size_t>(text.size()), buffer.size() - 1));
        status = sane_control_option(h, index, SANE_ACTION_SET_VALUE, buffer.data(), &info);
    } else {
        // A value list (a gamma table, say) gets the same value everywhere.
        const size_t words =
            static_cast<size_t>(qMax<SANE_Int>(1, d->size / static_cast<SANE_Int>(sizeof(SANE_Word))));
        SANE_Word word = 0;
        if (d->type == SANE_TYPE_BOOL)
            word = value.toBool() ? SANE_TRUE : SANE_FALSE;
        else if (d->type == SANE_TYPE_FIXED)
            word = SANE_FIX(value.toDouble());
        else
            word = static_cast<SANE_Word>(value.toInt());
        std::vector<SANE_Word> buffer(words, word);
        status = sane_control_option(h, index, SANE_ACTION_SET_VALUE, buffer.data(), &info);
    }
    if (status != SANE_STATUS_GOOD)
        throw ScanError(QStringLiteral("Le réglage « %1 » est refusé par le scanner.\r%2")
                            .arg(translated(d->title), statusText(status)));
}

Bitmap Device::scan(const Progress& progress)
{
    SANE_Handle h = m_handle->handle;
    // Whatever ends the scan, the device is left ready for the next one.
    struct Stop
    {
        SANE_Handle h;
        ~Stop() { sane_cancel(h); }
    } stop{h};

    Bitmap picture;
    std::vector<unsigned char> chunk(64 * 1024);
    QElapsedTimer sinceReport;
    sinceReport.start();
    for (bool last = false; !last;) {
        SANE_Status status = sane_start(h);
        if (status != SANE_STATUS_GOOD)
            fail(status);
        SANE_Parameters p;
        status = sane_get_parameters(h, &p);
        if (status != SANE_STATUS_GOOD)
            fail(status);
        last = p.last_frame != SANE_FALSE;
        const Channel channel = channelOf(p.format);
        if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0 ||
            (p.depth != 1 && p.depth != 8 && p.depth != 16))
            throw ScanError(
                QStringLiteral("Le scanner envoie l'image dans un format que le programme ne lit pas."));
        const qint64 perLine = p.bytes_per_line;
        // A hand scanner does not know its height: read until the end,
        // within the largest picture the program holds.
        const qint64 expected = p.lines > 0 ? perLine * p.lines : 0;
        if (p.lines > 0)
            Bitmap::checkSize(p.pixels_per_line, p.lines);
        const qint64 limit = perLine * (Bitmap::kMaxPixels / p.pixels_per_line);

        const bool nonBlocking = sane_set_io_mode(h, SANE_TRUE) == SANE_STATUS_GOOD;
        SANE_Int fd = -1;
        if (nonBlocking && sane_get_select_fd(h, &fd) != SANE_STATUS_GOOD)
            fd = -1;

        QByteArray raw;
        if (expected > 0)
            raw.reserve(expected);
        for (;;) {
            SANE_Int length = 0;
            status = sane_read(h, chunk.data(), static_cast<SANE_Int>(chunk.size()), &length);
            if (status == SANE_STATUS_EOF)
                break;
            if (status != SANE_STATUS_GOOD)
                fail(status);
            raw.append(reinterpret_cast<const char*>(chunk.data()), length);
            if (raw.size() > limit)
                throw ImageError(QStringLiteral("L'image envoyée par le scanner est trop grande."));
            if (length == 0 && nonBlocking) {
                if (fd >= 0) {
                    pollfd wait{fd, POLLIN, 0};
                    poll(&wait, 1, 20);
                } else {
                    QThread::msleep(10);
                }
            }
            if (progress && (sinceReport.elapsed() >= 30 || length == 0)) {
                sinceReport.restart();
                if (!progress(raw.size(), expected))
                    throw ScanError(QStringLiteral("La numérisation a été annulée."), true);
            }
        }
        const int lines = static_cast<int>(p.lines > 0 ? qMin<qint64>(p.lines, raw.size() / perLine)
                                                       : raw.size() / perLine);
        if (lines <= 0)
            throw ScanError(QStringLiteral("Le scanner n'a renvoyé aucune image."));
        if (picture.isEmpty())
            picture = Bitmap(p.pixels_per_line, lines,
                             channel == Channel::Gray ? PixelFormat::Gray8 : PixelFormat::Bgr24);
        else if (picture.width() != p.pixels_per_line || picture.format() != PixelFormat::Bgr24)
            throw ScanError(QStringLiteral("Les passages du scanner n'ont pas donné la même image."));
        putFrame(picture, raw, p, qMin(lines, picture.height()), channel);
    }
    if (progress)
        progress(1, 1);
    return picture;
}

} // namespace Sane
