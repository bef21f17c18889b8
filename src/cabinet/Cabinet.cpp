// GLib's headers name members "signals": this file is built with
// QT_NO_KEYWORDS (see CMakeLists.txt) and uses no Qt keyword.
#include "Cabinet.h"

#include "CabinetBlocks.h"
#include "CabinetPlan.h"
#include "FileDescriptor.h"
#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <libgcab.h>
#include <memory>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>
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
    const GError* get() const { return m_error; }

private:
    void clear()
    {
        if (m_error)
            g_error_free(m_error);
        m_error = nullptr;
    }
    GError* m_error = nullptr;
};

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

// The archive as libgcab reads it, telling the meter how far the reading has
// come. Reading more than `budget` bytes in all stops the extraction: what
// the directory said the decompressor would go through has been passed.
class GcabInput
{
public:
    GcabInput(int fd, qint64 size, qint64 budget, Meter& meter)
        : m_fd(fd), m_size(size), m_budget(budget), m_meter(meter)
    {
    }

    gssize read(void* into, gsize count, GError** error)
    {
        if (!m_meter.advance(m_position) || m_read > m_budget) {
            m_overBudget = m_read > m_budget;
            g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_CANCELLED, "stopped");
            return -1;
        }
        for (;;) {
            const ssize_t n = ::pread(m_fd, into, count, m_position);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_errno = errno;
                setIoError(error, errno);
                return -1;
            }
            m_position += n;
            m_read += n;
            return n;
        }
    }
    // A later step takes more entries: its passes over the folders.
    void allowMore(qint64 bytes) { m_budget += bytes; }
    bool overBudget() const { return m_overBudget; }
    int readError() const { return m_errno; }
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
    qint64 m_budget;
    Meter& m_meter;
    qint64 m_position = 0;
    qint64 m_read = 0;
    bool m_overBudget = false;
    int m_errno = 0;
};

struct SourceStream
{
    GInputStream parent;
    GcabInput* source;
};
struct SourceStreamClass
{
    GInputStreamClass parent;
};

GcabInput& sourceOf(gpointer stream)
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
        throw CabinetError(
            QStringLiteral("Espace disque insuffisant dans \"%1\" : %2 Mo nécessaires, %3 Mo libres.")
                .arg(folder)
                .arg((needed + 999999) / 1000000)
                .arg(available / 1000000));
}

// What extracting some entries costs the decompressor. libgcab goes through
// each folder's files in their stored order, decompressing from the
// folder's start to the end of each entry taken, and starts the folder
// again for an entry that begins before the point it has reached.
// Refuses, before anything is decompressed, entries taken that share their
// bytes (a few compressed blocks would then fill any disk) and an
// extraction that would expand beyond what one archive can hold.
Expansion checkedExpansion(const QString& archive, const CabinetFormat::Directory& directory,
                           const QList<int>& taken)
{
    QList<QList<int>> byFolder(directory.folders.size());
    for (const int index : taken)
        byFolder[directory.files.at(index).folder] << index;
    Expansion expansion;
    for (QList<int>& indexes : byFolder) {
        std::sort(indexes.begin(), indexes.end());
        qint64 reached = -1;
        for (const int index : std::as_const(indexes)) {
            const CabinetFormat::File& file = directory.files.at(index);
            const qint64 end = qint64(file.offset) + file.size;
            if (reached < 0 || file.offset < reached) {
                ++expansion.passes;
                reached = 0;
            }
            expansion.bytes += std::max<qint64>(0, end - reached);
            reached = std::max(reached, end);
        }
        std::sort(indexes.begin(), indexes.end(), [&directory](int a, int b) {
            return directory.files.at(a).offset < directory.files.at(b).offset;
        });
        const CabinetFormat::File* before = nullptr;
        for (const int index : std::as_const(indexes)) {
            const CabinetFormat::File& file = directory.files.at(index);
            if (file.size == 0)
                continue;
            if (before && qint64(before->offset) + before->size > file.offset)
                throw CabinetError(
                    QStringLiteral("L'archive \"%1\" est refusée : ses fichiers \"%2\" et \"%3\" "
                                   "partagent les mêmes données.")
                        .arg(archive, before->name, file.name));
            before = &file;
        }
    }
    if (expansion.bytes > CabinetFormat::kMaxContent)
        throw CabinetError(
            QStringLiteral("L'archive \"%1\" est refusée : ses fichiers se décompresseraient en %2 Mo, "
                           "plus qu'une archive de ce format ne peut en contenir.")
                .arg(archive)
                .arg(expansion.bytes / 1000000));
    return expansion;
}

CabinetError damagedArchive(const QString& archive, const QString& why)
{
    return CabinetError(QStringLiteral("L'archive \"%1\" est endommagée : %2").arg(archive, why));
}

// libgcab's failures in the user's words: its texts are English, and what
// the user can act on is their kind (the disk, or the archive's data).
CabinetError extractionFailure(const QString& archive, const GError* error, const GcabInput& source)
{
    const auto cannot = [&archive](const QString& why) {
        return CabinetError(QStringLiteral("Impossible d'extraire l'archive \"%1\" : %2").arg(archive, why));
    };
    if (source.overBudget())
        return CabinetError(
            QStringLiteral("L'archive \"%1\" est refusée : sa décompression dépasse ce que son "
                           "répertoire annonce.")
                .arg(archive));
    if (source.readError() != 0)
        return cannot(errnoText(source.readError()));
    // GIO's codes for the files written; a plain failure is GIO's reading
    // running out of data, the archive's fault.
    if (error && error->domain == G_IO_ERROR && error->code != G_IO_ERROR_FAILED) {
        switch (error->code) {
        case G_IO_ERROR_NO_SPACE:
            return cannot(QStringLiteral("le disque est plein."));
        case G_IO_ERROR_PERMISSION_DENIED:
            return cannot(QStringLiteral("accès refusé."));
        case G_IO_ERROR_READ_ONLY:
            return cannot(QStringLiteral("le disque est en lecture seule."));
        case G_IO_ERROR_IS_DIRECTORY:
            return cannot(QStringLiteral("un dossier porte le nom d'un de ses fichiers."));
        default:
            return cannot(QStringLiteral("erreur de lecture ou d'écriture sur le disque."));
        }
    }
    if (error && error->domain == G_IO_ERROR)
        return damagedArchive(archive, QStringLiteral("elle est incomplète (tronquée) ou illisible."));
    const QByteArray text = error ? QByteArray(error->message) : QByteArray();
    if (text.contains("checksum"))
        return damagedArchive(archive,
                              QStringLiteral("une somme de contrôle ne correspond pas à ses données."));
    if (text.contains("compression method"))
        return damagedArchive(archive,
                              QStringLiteral("sa méthode de compression n'est pas prise en charge."));
    if (error && error->domain == GCAB_ERROR && error->code == GCAB_ERROR_FORMAT)
        return damagedArchive(archive, QStringLiteral("elle est incomplète (tronquée) ou illisible."));
    return damagedArchive(archive, QStringLiteral("ses données compressées sont illisibles."));
}

// One extraction run: which stored entry goes to which relative name
// under `folder`; the others are skipped. A second step names more entries
// once every entry of the first is written.
struct Extraction
{
    QHash<GCabFile*, int> indexOf;
    QHash<int, QString> names;
    QSet<int> asked; // the entries libgcab has come to
    qsizetype firstStepLeft = 0;
    std::function<void()> secondStep;
    std::exception_ptr failure; // thrown in a step, kept across libgcab
    QStringList written;        // absolute paths, in order
    QString folder;
    qsizetype handedOver = 0; // of `written`, those whose writing back has begun

    // The files written so far start on their way to the disk: the one sync
    // at the end of a restore then finds little left to write.
    void handOverWritten()
    {
        for (; handedOver < written.size(); ++handedOver) {
            FileDescriptor fd(::open(nativePath(written.at(handedOver)).constData(), O_RDONLY | O_CLOEXEC));
            if (fd.get() >= 0)
                FileUtils::startWritingBack(fd.get());
        }
    }
    void runSecondStep()
    {
        try {
            std::exchange(secondStep, {})();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // Whether libgcab writes the entry, as `extract_name`.
    bool take(GCabFile* file)
    {
        if (failure)
            return false;
        handOverWritten();
        if (secondStep && firstStepLeft == 0)
            runSecondStep();
        const int index = indexOf.value(file, -1);
        asked.insert(index);
        const auto name = names.constFind(index);
        if (failure || name == names.cend())
            return false;
        if (firstStepLeft > 0)
            --firstStepLeft;
        gcab_file_set_extract_name(file, name->toUtf8().constData());
        written << folder + *name;
        return true;
    }
};

// Extracts what `first` plans, then what `then` names once it is written;
// returns what `then` named that the reading had passed.
QHash<int, QString> extract(const QString& archive, const CabinetFormat::Directory& directory,
                            const ExtractionPlan& first, const NameLater& then, const Progress& progress)
{
    const QByteArray path = nativePath(archive);
    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw CabinetError(
            QStringLiteral("Impossible de lire l'archive \"%1\" : %2").arg(archive, errnoText(errno)));
    const qint64 size = QFileInfo(archive).size();
    Meter meter(progress, size);
    // The directory, then each pass over a folder's data: never more than
    // the whole archive each, and a margin for libgcab's reading ahead.
    GcabInput source(fd.get(), size, size * (1 + first.expansion.passes) + (qint64(1) << 20), meter);
    Object<SourceStream> stream(static_cast<SourceStream*>(g_object_new(sourceStreamType(), nullptr)));
    stream->source = &source;

    const auto damaged = [&archive](const QString& why) { return damagedArchive(archive, why); };
    GlibError error;
    Object<GCabCabinet> cabinet(gcab_cabinet_new());
    if (!gcab_cabinet_load(cabinet.get(), &stream->parent, nullptr, error.slot()))
        throw extractionFailure(archive, error.get(), source);

    // libgcab lists each folder's files in stored order: pair them with
    // the directory read before, by folder and rank.
    Extraction run;
    run.folder = first.base;
    run.names = first.wanted;
    run.firstStepLeft = first.wanted.size();
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
            run.indexOf.insert(static_cast<GCabFile*>(l->data), byFolder.at(int(f)).at(rank));
        }
        consistent = consistent && rank == byFolder.at(int(f)).size();
        g_slist_free(files);
        if (!consistent)
            throw damaged(QStringLiteral("liste de fichiers incohérente."));
    }

    QHash<int, QString> passed;
    if (then)
        run.secondStep = [&] {
            const ExtractionPlan later =
                planExtraction(archive, directory, first.base, then(), Reading::Selective, takenPaths(first));
            for (auto it = later.wanted.cbegin(); it != later.wanted.cend(); ++it)
                (run.asked.contains(it.key()) ? passed : run.names).insert(it.key(), it.value());
            source.allowMore(size * later.expansion.passes);
        };

    Object<GFile> target(g_file_new_for_path(nativePath(first.base).constData()));
    const GCabFileCallback onFile = [](GCabFile* file, gpointer data) -> gboolean {
        return static_cast<Extraction*>(data)->take(file) ? TRUE : FALSE;
    };
    const bool done =
        gcab_cabinet_extract(cabinet.get(), target.get(), onFile, nullptr, &run, nullptr, error.slot());
    // A first step that ends the archive: the second names only what was passed.
    if (done && run.secondStep)
        run.runSecondStep();
    const auto removeWritten = [&run] {
        for (const QString& written : std::as_const(run.written))
            QFile::remove(written);
    };
    if (run.failure) {
        removeWritten();
        std::rethrow_exception(run.failure);
    }
    if (!done || meter.stopped()) {
        removeWritten();
        if (meter.stopped())
            refuseStopped();
        throw extractionFailure(archive, error.get(), source);
    }
    run.handOverWritten();
    for (auto it = run.names.cbegin(); it != run.names.cend(); ++it) {
        if (QFileInfo(first.base + it.value()).size() != directory.files.at(it.key()).size) {
            removeWritten();
            throw damaged(QStringLiteral("la taille du fichier \"%1\" ne correspond pas.")
                              .arg(directory.files.at(it.key()).name));
        }
    }
    meter.finish();
    return passed;
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
        throw CabinetError(
            QStringLiteral("L'archive \"%1\" ne contient pas le fichier demandé.").arg(archive));
    const QFileInfo info(target);
    const QString folder = info.absolutePath() + QLatin1Char('/');
    const Expansion expansion = checkedExpansion(archive, directory, {index});
    checkFreeSpace(folder, directory.files.at(index).size);
    // Written under a name of its own, then put in place whole.
    const QString part = QStringLiteral(".%1.%2.part").arg(info.fileName().left(64)).arg(::getpid());
    QFile::remove(folder + part);
    extract(archive, directory, ExtractionPlan{folder, {{index, part}}, expansion}, {}, progress);
    if (::rename(nativePath(folder + part).constData(), nativePath(info.absoluteFilePath()).constData()) !=
        0) {
        const int why = errno;
        QFile::remove(folder + part);
        throw CabinetError(
            QStringLiteral("Impossible d'écrire le fichier \"%1\" : %2").arg(target, errnoText(why)));
    }
}

void extractAll(const QString& archive, const QString& folder, const Progress& progress)
{
    extractAs(
        archive, folder, [](int, const Entry& entry) { return CabinetFormat::safeRelativePath(entry.name); },
        progress);
}

ExtractionPlan planExtraction(const QString& archive, const CabinetFormat::Directory& directory,
                              const QString& folder, const NameFor& nameFor, Reading reading,
                              const QSet<QString>& taken)
{
    checkedPaths(archive, directory);
    ExtractionPlan plan;
    QSet<QString> seen = taken;
    qint64 needed = 0;
    for (int i = 0; i < directory.files.size(); ++i) {
        const CabinetFormat::File& file = directory.files.at(i);
        const QString given = nameFor(i, Entry{file.name, qint64(file.size), fromDos(file.date, file.time)});
        if (given.isEmpty())
            continue;
        const QString path = CabinetFormat::safeRelativePath(given);
        if (path.isEmpty() || seen.contains(path.toLower()))
            throw CabinetError(
                QStringLiteral(
                    "L'archive \"%1\" est refusée : le fichier \"%2\" ne peut pas y être extrait sous le "
                    "nom \"%3\" (nom dangereux ou déjà pris).")
                    .arg(archive, file.name, given));
        seen.insert(path.toLower());
        plan.wanted.insert(i, path);
        needed += file.size;
    }
    plan.base = QDir::cleanPath(QDir(folder).absolutePath()) + QLatin1Char('/');
    if (!QDir().mkpath(plan.base))
        throw CabinetError(QStringLiteral("Impossible de créer le dossier \"%1\".").arg(folder));
    if (plan.wanted.isEmpty())
        return plan;
    QList<int> decoded = plan.wanted.keys();
    if (reading == Reading::Sequential) {
        const int last = *std::max_element(decoded.cbegin(), decoded.cend());
        decoded.clear();
        for (int i = 0; i <= last; ++i)
            decoded << i;
    }
    plan.expansion = checkedExpansion(archive, directory, decoded);
    checkFreeSpace(plan.base, needed);
    return plan;
}

QSet<QString> takenPaths(const ExtractionPlan& plan)
{
    QSet<QString> taken;
    for (const QString& path : plan.wanted)
        taken.insert(path.toLower());
    return taken;
}

QList<Entry> entriesOf(const CabinetFormat::Directory& directory)
{
    QList<Entry> entries;
    for (const CabinetFormat::File& file : directory.files)
        entries << Entry{file.name, qint64(file.size), fromDos(file.date, file.time)};
    return entries;
}

void extractAs(const QString& archive, const QString& folder, const NameFor& nameFor,
               const Progress& progress)
{
    const CabinetFormat::Directory directory = readDirectoryOf(archive);
    const ExtractionPlan plan = planExtraction(archive, directory, folder, nameFor, Reading::Selective);
    if (!plan.wanted.isEmpty())
        extract(archive, directory, plan, {}, progress);
}

QHash<int, QString> extractInTwoSteps(const QString& archive, const QString& folder, const NameFor& first,
                                      const NameLater& then, const Progress& progress)
{
    const CabinetFormat::Directory directory = readDirectoryOf(archive);
    return extract(archive, directory, planExtraction(archive, directory, folder, first, Reading::Selective),
                   then, progress);
}

} // namespace Cabinet
