// GLib's headers name members "signals": this file is built with
// QT_NO_KEYWORDS (see CMakeLists.txt) and uses no Qt keyword.
#include "Cabinet.h"
#include "CabinetMeter.h"
#include "CabinetPlan.h"
#include "FileDescriptor.h"
#include "FileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <libgcab.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace Cabinet {

namespace {

// ---------------------------------------------------------------- helpers

struct ObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using Object = std::unique_ptr<T, ObjectUnref>;

// A GError slot that frees what it receives.
class GlibError
{
public:
    GlibError() = default;
    ~GlibError() { clear(); }
    GlibError(const GlibError&) = delete;
    GlibError& operator=(const GlibError&) = delete;
    GError** slot()
    {
        clear();
        return &m_error;
    }
    bool matches(GIOErrorEnum code) const { return m_error && g_error_matches(m_error, G_IO_ERROR, code); }
    QString text() const { return m_error ? QString::fromUtf8(m_error->message) : QString(); }

private:
    void clear()
    {
        if (m_error)
            g_error_free(m_error);
        m_error = nullptr;
    }
    GError* m_error = nullptr;
};

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

QString errnoText(int error)
{
    return FileUtils::systemReason(error) + QLatin1Char('.');
}

[[noreturn]] void refuseStopped()
{
    throw CabinetError(QStringLiteral("Opération interrompue."));
}

void setIoError(GError** error, int code)
{
    g_set_error_literal(error, G_IO_ERROR, g_io_error_from_errno(code), std::strerror(code));
}

// -------------------------------------------------------- the input stream

// The archive read back, telling the meter how far the reading has come.
class Source
{
public:
    Source(int fd, qint64 size, Meter& meter) : m_fd(fd), m_size(size), m_meter(meter) {}

    gssize read(void* into, gsize count, GError** error)
    {
        if (!m_meter.advance(m_position)) {
            g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_CANCELLED, "stopped");
            return -1;
        }
        for (;;) {
            const ssize_t n = ::pread(m_fd, into, count, m_position);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                setIoError(error, errno);
                return -1;
            }
            m_position += n;
            return n;
        }
    }
    bool seek(goffset offset, GSeekType type, GError** error)
    {
        const qint64 base = type == G_SEEK_SET ? 0 : type == G_SEEK_CUR ? m_position : m_size;
        if (base + offset < 0) {
            g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_ARGUMENT, "seek before start");
            return false;
        }
        m_position = base + offset;
        return true;
    }
    goffset tell() const { return m_position; }

private:
    int m_fd;
    qint64 m_size;
    Meter& m_meter;
    qint64 m_position = 0;
};

struct SourceStream
{
    GInputStream parent;
    Source* source;
};
struct SourceStreamClass
{
    GInputStreamClass parent;
};

Source& sourceOf(gpointer stream)
{
    return *static_cast<SourceStream*>(stream)->source;
}

GType sourceStreamType()
{
    static const GType registered = [] {
        const GType t = g_type_register_static_simple(
            G_TYPE_INPUT_STREAM, "BrivolineCabinetSource", sizeof(SourceStreamClass),
            [](gpointer klass, gpointer) {
                auto* c = static_cast<GInputStreamClass*>(klass);
                c->read_fn = [](GInputStream* s, void* into, gsize count, GCancellable*, GError** error) {
                    return sourceOf(s).read(into, count, error);
                };
                c->close_fn = [](GInputStream*, GCancellable*, GError**) -> gboolean { return TRUE; };
            },
            sizeof(SourceStream), nullptr, GTypeFlags(0));
        static const GInterfaceInfo seekable = {
            [](gpointer iface, gpointer) {
                auto* i = static_cast<GSeekableIface*>(iface);
                i->tell = [](GSeekable* s) { return sourceOf(s).tell(); };
                i->can_seek = [](GSeekable*) -> gboolean { return TRUE; };
                i->seek = [](GSeekable* s, goffset offset, GSeekType type, GCancellable*,
                             GError** error) -> gboolean { return sourceOf(s).seek(offset, type, error); };
                i->can_truncate = [](GSeekable*) -> gboolean { return FALSE; };
                i->truncate_fn = [](GSeekable*, goffset, GCancellable*, GError** error) -> gboolean {
                    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, "read only");
                    return FALSE;
                };
            },
            nullptr, nullptr};
        g_type_add_interface_static(t, G_TYPE_SEEKABLE, &seekable);
        return t;
    }();
    return registered;
}

// ------------------------------------------------------------- reading

QDateTime fromDos(std::uint16_t date, std::uint16_t time)
{
    const QDate day((date >> 9) + 1980, (date >> 5) & 0x0f, date & 0x1f);
    const QTime clock(time >> 11, (time >> 5) & 0x3f, (time & 0x1f) * 2);
    return QDateTime(day, clock.isValid() ? clock : QTime(0, 0));
}

CabinetFormat::Directory readDirectoryOf(const QString& archive)
{
    QFile file(archive);
    if (!QFileInfo(archive).isFile() || !file.open(QIODevice::ReadOnly))
        throw CabinetError(QStringLiteral("Impossible de lire l'archive \"%1\".").arg(archive));
    return CabinetFormat::readDirectory(file, file.size(), archive);
}

// The checks every extraction makes before writing anything: the paths
// the entries would take under a folder, all safe and distinct.
QStringList checkedPaths(const QString& archive, const CabinetFormat::Directory& directory)
{
    QStringList paths;
    QSet<QString> seen;
    for (const CabinetFormat::File& file : directory.files) {
        const QString path = CabinetFormat::safeRelativePath(file.name);
        if (path.isEmpty())
            throw CabinetError(
                QStringLiteral("L'archive \"%1\" est refusée : elle contient un nom de fichier dangereux ou "
                               "vide (\"%2\").")
                    .arg(archive, file.name));
        if (seen.contains(path.toLower()))
            throw CabinetError(
                QStringLiteral("L'archive \"%1\" est refusée : elle contient deux fois le fichier \"%2\".")
                    .arg(archive, file.name));
        seen.insert(path.toLower());
        paths << path;
    }
    return paths;
}

void checkFreeSpace(const QString& folder, qint64 needed)
{
    struct statvfs space = {};
    if (::statvfs(nativePath(folder).constData(), &space) != 0)
        return; // the writes themselves will say what is wrong
    const qint64 available = qint64(space.f_bavail) * qint64(space.f_frsize);
    if (available < needed)
        throw CabinetError(QStringLiteral("Espace disque insuffisant dans \"%1\" : %2 Mo nécessaires, %3 Mo libres.")
                               .arg(folder)
                               .arg((needed + 999999) / 1000000)
                               .arg(available / 1000000));
}

// One extraction run: which stored entry goes to which relative name
// under `folder`; the others are skipped.
struct Extraction
{
    QHash<GCabFile*, QString> names;
    QStringList written; // absolute paths, in order
    QString folder;
};

void extract(const QString& archive, const CabinetFormat::Directory& directory, const QHash<int, QString>& wanted,
             const QString& folder, const Progress& progress)
{
    const QByteArray path = nativePath(archive);
    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw CabinetError(QStringLiteral("Impossible de lire l'archive \"%1\" : %2").arg(archive, errnoText(errno)));
    const qint64 size = QFileInfo(archive).size();
    Meter meter(progress, size);
    Source source(fd.get(), size, meter);
    Object<SourceStream> stream(static_cast<SourceStream*>(g_object_new(sourceStreamType(), nullptr)));
    stream->source = &source;

    const auto damaged = [&](const QString& why) {
        return CabinetError(QStringLiteral("L'archive \"%1\" est endommagée : %2").arg(archive, why));
    };
    GlibError error;
    Object<GCabCabinet> cabinet(gcab_cabinet_new());
    if (!gcab_cabinet_load(cabinet.get(), &stream->parent, nullptr, error.slot()))
        throw damaged(error.text());

    // libgcab lists each folder's files in stored order: pair them with
    // the directory read before, by folder and rank.
    Extraction run;
    run.folder = folder;
    GPtrArray* folders = gcab_cabinet_get_folders(cabinet.get());
    QList<QList<int>> byFolder(directory.folders.size());
    for (int i = 0; i < directory.files.size(); ++i)
        byFolder[directory.files.at(i).folder] << i;
    if (int(folders->len) != directory.folders.size())
        throw damaged(QStringLiteral("dossiers incohérents."));
    for (guint f = 0; f < folders->len; ++f) {
        GSList* files = gcab_folder_get_files(static_cast<GCabFolder*>(g_ptr_array_index(folders, f)));
        int rank = 0;
        bool consistent = true;
        for (GSList* l = files; l; l = l->next, ++rank) {
            if (rank >= byFolder.at(int(f)).size()) {
                consistent = false;
                break;
            }
            const int index = byFolder.at(int(f)).at(rank);
            if (wanted.contains(index))
                run.names.insert(static_cast<GCabFile*>(l->data), wanted.value(index));
        }
        consistent = consistent && rank == byFolder.at(int(f)).size();
        g_slist_free(files);
        if (!consistent)
            throw damaged(QStringLiteral("liste de fichiers incohérente."));
    }

    Object<GFile> target(g_file_new_for_path(nativePath(folder).constData()));
    const GCabFileCallback onFile = [](GCabFile* file, gpointer data) -> gboolean {
        auto* r = static_cast<Extraction*>(data);
        const auto name = r->names.constFind(file);
        if (name == r->names.cend())
            return FALSE;
        gcab_file_set_extract_name(file, name->toUtf8().constData());
        r->written << r->folder + *name;
        return TRUE;
    };
    const bool done = gcab_cabinet_extract(cabinet.get(), target.get(), onFile, nullptr, &run, nullptr, error.slot());
    if (!done || meter.stopped()) {
        for (const QString& written : std::as_const(run.written))
            QFile::remove(written);
        if (meter.stopped())
            refuseStopped();
        if (error.matches(G_IO_ERROR_NO_SPACE))
            throw CabinetError(
                QStringLiteral("Impossible d'extraire l'archive \"%1\" : le disque est plein.").arg(archive));
        throw damaged(error.text());
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const QString written = folder + it.value();
        if (QFileInfo(written).size() != directory.files.at(it.key()).size) {
            for (const QString& w : std::as_const(run.written))
                QFile::remove(w);
            throw damaged(QStringLiteral("la taille du fichier \"%1\" ne correspond pas.")
                              .arg(directory.files.at(it.key()).name));
        }
    }
    meter.finish();
}

} // namespace

// ------------------------------------------------------------ public API

QList<Entry> list(const QString& archive)
{
    return entriesOf(readDirectoryOf(archive));
}

void extractEntry(const QString& archive, int index, const QString& target, const Progress& progress)
{
    const CabinetFormat::Directory directory = readDirectoryOf(archive);
    checkedPaths(archive, directory);
    if (index < 0 || index >= directory.files.size())
        throw CabinetError(QStringLiteral("L'archive \"%1\" ne contient pas le fichier demandé.").arg(archive));
    const QFileInfo info(target);
    const QString folder = info.absolutePath() + QLatin1Char('/');
    checkFreeSpace(folder, directory.files.at(index).size);
    // Written under a name of its own, then put in place whole.
    const QString part = QStringLiteral(".%1.%2.part").arg(info.fileName().left(64)).arg(::getpid());
    QFile::remove(folder + part);
    extract(archive, directory, {{index, part}}, folder, progress);
    if (::rename(nativePath(folder + part).constData(), nativePath(info.absoluteFilePath()).constData()) != 0) {
        const int why = errno;
        QFile::remove(folder + part);
        throw CabinetError(QStringLiteral("Impossible d'écrire le fichier \"%1\" : %2").arg(target, errnoText(why)));
    }
}

void extractAll(const QString& archive, const QString& folder, const Progress& progress)
{
    extractAs(archive, folder, [](int, const Entry& entry) { return CabinetFormat::safeRelativePath(entry.name); },
              progress);
}

ExtractionPlan planExtraction(const QString& archive, const CabinetFormat::Directory& directory, const QString& folder,
                              const NameFor& nameFor)
{
    checkedPaths(archive, directory);
    ExtractionPlan plan;
    QSet<QString> seen;
    qint64 needed = 0;
    for (int i = 0; i < directory.files.size(); ++i) {
        const CabinetFormat::File& file = directory.files.at(i);
        const QString given = nameFor(i, Entry{file.name, qint64(file.size), fromDos(file.date, file.time)});
        if (given.isEmpty())
            continue;
        const QString path = CabinetFormat::safeRelativePath(given);
        if (path.isEmpty() || seen.contains(path.toLower()))
            throw CabinetError(
                QStringLiteral("L'archive \"%1\" est refusée : le fichier \"%2\" ne peut pas y être extrait sous le "
                               "nom \"%3\" (nom dangereux ou déjà pris).")
                    .arg(archive, file.name, given));
        seen.insert(path.toLower());
        plan.wanted.insert(i, path);
        needed += file.size;
    }
    plan.base = QDir::cleanPath(QDir(folder).absolutePath()) + QLatin1Char('/');
    if (!QDir().mkpath(plan.base))
        throw CabinetError(QStringLiteral("Impossible de créer le dossier \"%1\".").arg(folder));
    if (!plan.wanted.isEmpty())
        checkFreeSpace(plan.base, needed);
    return plan;
}

QList<Entry> entriesOf(const CabinetFormat::Directory& directory)
{
    QList<Entry> entries;
    for (const CabinetFormat::File& file : directory.files)
        entries << Entry{file.name, qint64(file.size), fromDos(file.date, file.time)};
    return entries;
}

void extractAs(const QString& archive, const QString& folder, const NameFor& nameFor, const Progress& progress)
{
    const CabinetFormat::Directory directory = readDirectoryOf(archive);
    const ExtractionPlan plan = planExtraction(archive, directory, folder, nameFor);
    if (!plan.wanted.isEmpty())
        extract(archive, directory, plan.wanted, plan.base, progress);
}

} // namespace Cabinet
