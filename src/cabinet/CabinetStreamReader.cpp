// Cabinets read front to back from a Source, as the encrypted archives give
// them: their entries listed and extracted, the same checks made as for a
// file read through libgcab (CabinetPlan.h).
#include "CabinetBlocks.h"
#include "CabinetPlan.h"
#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Cabinet {

namespace {

// The entries written one after the other as their bytes come: those
// the plan wants to their files, the others passed over, up to the last
// one wanted. A second step may want more once those are written.
class Extraction
{
public:
    Extraction(const CabinetFormat::Directory& directory, const ExtractionPlan& plan)
        : m_directory(directory), m_base(plan.base)
    {
        m_buffer.reserve(kIoSize);
        for (auto it = plan.wanted.cbegin(); it != plan.wanted.cend(); ++it)
            want(it.key(), it.value());
    }
    ~Extraction()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_complete)
            for (const QString& path : std::as_const(m_written))
                QFile::remove(path);
    }
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;

    void want(int index, const QString& path)
    {
        m_wanted.insert(index, path);
        m_lastWanted = std::max(m_lastWanted, index);
    }
    // Run once every entry wanted so far is written.
    void thenRun(const std::function<void()>& step) { m_secondStep = step; }
    // The last entry the reading came to.
    int reached() const { return m_index; }

    // False once every wanted entry has all its bytes.
    bool take(const unsigned char* data, std::size_t count)
    {
        while (count > 0) {
            while (m_left == 0)
                startNext(m_folder);
            const std::size_t part = std::size_t(std::min<qint64>(qint64(count), m_left));
            if (m_fd >= 0)
                write(data, part);
            m_left -= qint64(part);
            data += part;
            count -= part;
        }
        runSecondStepWhenDue();
        return !allWritten();
    }
    // After a folder: its files complete, empty ones included.
    void folderDone(int folder)
    {
        if (m_left != 0)
            throw Failure{0, QStringLiteral("il y manque une partie du fichier \"%1\".")
                                 .arg(m_directory.files.at(m_index).name)};
        while (m_index + 1 < m_directory.files.size() && m_directory.files.at(m_index + 1).folder == folder) {
            startNext(folder);
            if (m_left != 0)
                throw Failure{0, QStringLiteral("il y manque une partie du fichier \"%1\".")
                                     .arg(m_directory.files.at(m_index).name)};
        }
        closeCurrent();
        m_folder = folder + 1;
    }
    // After the last block, or once take() needed no more.
    void complete(bool wholeArchive)
    {
        runSecondStepWhenDue();
        if (wholeArchive ? m_index != m_directory.files.size() - 1 : !allWritten())
            throw Failure{0, QStringLiteral("elle est endommagée.")};
        closeCurrent();
        m_complete = true;
    }

private:
    bool allWritten() const { return m_index >= m_lastWanted && m_left == 0; }

    void runSecondStepWhenDue()
    {
        if (!m_secondStep || !allWritten())
            return;
        closeCurrent();
        std::exchange(m_secondStep, {})();
    }

    void startNext(int folder)
    {
        runSecondStepWhenDue();
        closeCurrent();
        if (m_index + 1 >= m_directory.files.size())
            throw Failure{0, QStringLiteral("elle contient plus que ses fichiers.")};
        const CabinetFormat::File& file = m_directory.files.at(++m_index);
        const qint64 expectedOffset =
            m_index > 0 && m_directory.files.at(m_index - 1).folder == file.folder
                ? qint64(m_directory.files.at(m_index - 1).offset) + m_directory.files.at(m_index - 1).size
                : 0;
        if (file.folder != folder || file.offset != expectedOffset)
            throw Failure{0, QStringLiteral("ses fichiers ne se suivent pas comme ce logiciel les écrit.")};
        m_left = file.size;
        const auto name = m_wanted.constFind(m_index);
        if (name == m_wanted.cend())
            return;
        const QString path = m_base + *name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        m_fd = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_fd < 0)
            throw Failure{errno, {}};
        m_written << path;
    }
    void write(const unsigned char* data, std::size_t count)
    {
        if (m_buffer.size() + count > kIoSize)
            flush();
        m_buffer.insert(m_buffer.end(), data, data + count);
    }
    void flush()
    {
        writeAll(m_fd, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    void closeCurrent()
    {
        if (m_fd < 0)
            return;
        flush();
        const int fd = m_fd;
        m_fd = -1;
        FileUtils::startWritingBack(fd);
        if (::close(fd) != 0)
            throw Failure{errno, {}};
    }

    const CabinetFormat::Directory& m_directory;
    const QString m_base;
    QHash<int, QString> m_wanted;
    std::function<void()> m_secondStep;
    std::vector<unsigned char> m_buffer;
    QStringList m_written;
    int m_lastWanted = -1;
    int m_index = -1;
    int m_folder = 0;
    qint64 m_left = 0;
    int m_fd = -1;
    bool m_complete = false;
};

} // namespace

QList<Entry> list(Source& source)
{
    QByteArray bytes;
    return entriesOf(directoryOf(source, bytes));
}

void extractAs(Source& source, const QString& folder, const NameFor& nameFor, const Progress& progress)
{
    extractInTwoSteps(source, folder, nameFor, {}, progress);
}

QHash<int, QString> extractInTwoSteps(Source& source, const QString& folder, const NameFor& first,
                                      const NameLater& then, const Progress& progress)
{
    QByteArray bytes;
    const CabinetFormat::Directory directory = directoryOf(source, bytes);
    const ExtractionPlan plan =
        planExtraction(source.displayName(), directory, folder, first, Reading::Sequential);
    QHash<int, QString> passed;
    if (plan.wanted.isEmpty() && !then)
        return passed;
    Meter meter(progress, source.size());
    try {
        SourceBytes in(source, bytes.size(), meter);
        Extraction extraction(directory, plan);
        if (then)
            extraction.thenRun([&] {
                const ExtractionPlan later = planExtraction(source.displayName(), directory, folder, then(),
                                                            Reading::Sequential, takenPaths(plan));
                for (auto it = later.wanted.cbegin(); it != later.wanted.cend(); ++it) {
                    if (it.key() <= extraction.reached())
                        passed.insert(it.key(), it.value());
                    else
                        extraction.want(it.key(), it.value());
                }
            });
        const bool wholeArchive = decodeBlocks(
            directory, in,
            [&](const unsigned char* data, std::size_t count) { return extraction.take(data, count); },
            [&](int f) { extraction.folderDone(f); });
        extraction.complete(wholeArchive);
    } catch (const Failure& failure) {
        if (failure.error != 0)
            throw CabinetError(QStringLiteral("Impossible d'extraire l'archive \"%1\" : %2")
                                   .arg(source.displayName(), reasonOf(failure)));
        throw CabinetError(
            QStringLiteral("L'archive \"%1\" est endommagée : %2").arg(source.displayName(), failure.text));
    }
    meter.finish();
    return passed;
}

} // namespace Cabinet
