#pragma once

#include "CabinetStreams.h"
#include "SealedFormat.h"

#include <memory>

// A cabinet streamed through the encryption to its file, and back: no byte
// of it lies on the disk unencrypted. Each side hands the sealing or the
// opening of its chunks to a thread of its own, so that the cabinet's
// compression, decompression and comparison go on meanwhile.
namespace Sealed {

// Writes the encrypted archive into `fd` (an empty file), which the
// caller opened and removes on failure.
class Writer final : public Cabinet::Sink
{
public:
    Writer(const QString& displayName, int fd, const Key& key, std::uint32_t chunkSize = kDefaultChunkSize);
    ~Writer() override;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    QString displayName() const override;
    void reserve(std::size_t directorySize) override;
    void append(const unsigned char* data, std::size_t count) override;
    void finish(const unsigned char* directory, std::size_t count) override;

private:
    struct State;
    std::unique_ptr<State> m;
};

// Opens an encrypted archive with its key: WrongPassword when the key is
// not the archive's, CabinetError when it is damaged (its header and
// directory are checked here, each chunk as it is read or by checkAll()).
class Reader final : public Cabinet::Source
{
public:
    Reader(const QString& path, const Key& key);
    ~Reader() override;
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    QString displayName() const override;
    QByteArray directory() override;
    qint64 size() override;
    std::size_t read(unsigned char* into, std::size_t count) override;

    // Checks every chunk, on every core, keeping nothing; before any read().
    void checkAll(const Cabinet::Progress& progress = {});

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace Sealed
