#include "SealedStreams.h"

#include "FileDescriptor.h"
#include "FileUtils.h"
#include "LittleEndian.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <QFile>
#include <sodium.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Sealed {
namespace {

// Chunks on their way between the caller's thread and the worker: enough
// for each side to work on one while the other is ready.
constexpr int kSlots = 4;
// The stream state's nonce: a 32-bit chunk counter, then the inner nonce.
constexpr std::size_t kCounterSize = 4;
constexpr std::size_t kInnerNonceSize = 8;
static_assert(sizeof crypto_secretstream_xchacha20poly1305_state{}.nonce == kCounterSize + kInnerNonceSize);

struct Slot
{
    std::vector<unsigned char> plain;
    std::vector<unsigned char> sealed;
    std::size_t length = 0; // plaintext bytes held
    bool final = false;
    int error = 0;        // errno of a failed read or write
    bool damaged = false; // a chunk that does not open
    // For a check of all chunks at once: the chunk's index, where its
    // record lies and the state it opens with.
    qint64 index = 0;
    off_t offset = 0;
    std::size_t sealedLength = 0;
    crypto_secretstream_xchacha20poly1305_state state{};
    bool pending = false; // given to a worker, its outcome not yet taken
};

// Each slot goes from the side that fills it to the side that empties it
// and back; stop() ends both sides' waits.
class Relay
{
public:
    Relay(std::size_t plainSize, std::size_t sealedSize, int count = kSlots) : m_slots(std::size_t(count))
    {
        for (Slot& slot : m_slots) {
            slot.plain.resize(plainSize);
            slot.sealed.resize(sealedSize);
            m_empty.push_back(&slot);
        }
    }
    ~Relay()
    {
        // What passed through may be health records.
        for (Slot& slot : m_slots) {
            sodium_memzero(slot.plain.data(), slot.plain.size());
            sodium_memzero(&slot.state, sizeof slot.state);
        }
    }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    Slot* takeEmpty() { return take(m_empty); }
    Slot* takeFull() { return take(m_full); }
    void giveEmpty(Slot* slot) { give(m_empty, slot); }
    void giveFull(Slot* slot) { give(m_full, slot); }
    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }

private:
    Slot* take(std::deque<Slot*>& queue)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || !queue.empty(); });
        if (m_stopped)
            return nullptr;
        Slot* slot = queue.front();
        queue.pop_front();
        return slot;
    }
    void give(std::deque<Slot*>& queue, Slot* slot)
    {
        std::lock_guard lock(m_mutex);
        queue.push_back(slot);
        m_changed.notify_all();
    }

    std::vector<Slot> m_slots;
    std::deque<Slot*> m_empty;
    std::deque<Slot*> m_full;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopped = false;
};

// The worker thread of one side with the stream state it alone uses;
// stopped, joined and the state wiped with the object.
struct Pipeline
{
    Pipeline(std::size_t plainSize, std::size_t sealedSize) : relay(plainSize, sealedSize) {}
    ~Pipeline()
    {
        if (worker.joinable()) {
            relay.stop();
            worker.join();
        }
        sodium_memzero(&stream, sizeof stream);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    Relay relay;
    std::thread worker;
    crypto_secretstream_xchacha20poly1305_state stream{};
};

bool writeAt(int fd, const unsigned char* data, std::size_t count, off_t offset, int& error)
{
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, data, count, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            return false;
        }
        data += n;
        offset += n;
        count -= std::size_t(n);
    }
    return true;
}

// Reads up to `count` bytes, fewer only at the file's end; -1 with `error` set.
qint64 readUpTo(int fd, unsigned char* into, std::size_t count, off_t offset, int& error)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, into + done, count - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return -1;
        }
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return qint64(done);
}

// Reads exactly `count` bytes; false with `error` set (0 at the file's end).
bool readAt(int fd, unsigned char* into, std::size_t count, off_t offset, int& error)
{
    error = 0;
    return readUpTo(fd, into, count, offset, error) == qint64(count);
}

// Every chunk but the last is a message; the last ends the stream.
unsigned char expectedTag(qint64 chunk, qint64 chunks)
{
    return chunk == chunks - 1 ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                               : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
}

// OpenSSL's ChaCha20 and Poly1305, whose vectorised code runs two to three
// times as fast as libsodium's on a processor with AVX2: what the reading
// of an archive waits for. Taken from OpenSSL's built-in provider in a
// context of their own, whatever the system's configuration selects (a
// FIPS-only one offers neither).
struct OpenSslCode
{
    EVP_MAC* poly1305 = nullptr;
    EVP_CIPHER* chacha20 = nullptr;
};

const OpenSslCode& openSsl()
{
    static const OpenSslCode code = [] {
        OpenSslCode found;
        OSSL_LIB_CTX* context = OSSL_LIB_CTX_new();
        if (context && OSSL_PROVIDER_load(context, "default")) {
            found.poly1305 = EVP_MAC_fetch(context, "POLY1305", nullptr);
            found.chacha20 = EVP_CIPHER_fetch(context, "ChaCha20", nullptr);
        }
        return found;
    }();
    return code;
}

// Poly1305 keyed by the first 32 bytes of `key`. Any failure of OpenSSL's
// makes the chunk count as not authentic.
class OneTimeMac
{
public:
    explicit OneTimeMac(const unsigned char* key)
    {
        m_context = openSsl().poly1305 ? EVP_MAC_CTX_new(openSsl().poly1305) : nullptr;
        m_good =
            m_context && EVP_MAC_init(m_context, key, crypto_onetimeauth_poly1305_KEYBYTES, nullptr) == 1;
    }
    ~OneTimeMac() { EVP_MAC_CTX_free(m_context); }
    OneTimeMac(const OneTimeMac&) = delete;
    OneTimeMac& operator=(const OneTimeMac&) = delete;

    void update(const unsigned char* data, std::size_t count)
    {
        m_good = m_good && (count == 0 || EVP_MAC_update(m_context, data, count) == 1);
    }
    bool final(unsigned char (&mac)[kMacSize])
    {
        std::size_t written = 0;
        return m_good && EVP_MAC_final(m_context, mac, &written, kMacSize) == 1 && written == kMacSize;
    }

private:
    EVP_MAC_CTX* m_context = nullptr;
    bool m_good = false;
};

// Whether a chunk's record opens with `state` and carries `tag`, checked
// without decrypting it. A secretstream chunk's MAC is Poly1305 over its
// ciphertext, keyed by the first 32 bytes of the ChaCha20 block the state
// gives at counter 0, over: the additional data, zeros to a multiple of 16,
// the 64-byte block at counter 1 with its first byte the sealed tag, the
// ciphertext, as many zeros as the ciphertext's length modulo 16 (libsodium
// pads it so), then both lengths (the additional data's, 64 plus the
// ciphertext's) as 64-bit little-endian integers. Checking costs less than
// half of opening, so a whole archive is checked before staging at little
// cost; the opening that follows checks each chunk again.
bool authentic(const crypto_secretstream_xchacha20poly1305_state& state, const unsigned char* record,
               std::size_t length, const unsigned char* additional, std::size_t additionalLength,
               unsigned char tag)
{
    if (length < kChunkOverhead)
        return false;
    static constexpr unsigned char kZeros[16] = {};
    const std::size_t cipherLength = length - kChunkOverhead;
    unsigned char block[64] = {};
    crypto_stream_chacha20_ietf(block, sizeof block, state.nonce, state.k);
    OneTimeMac mac(block);
    mac.update(additional, additionalLength);
    mac.update(kZeros, (16 - additionalLength % 16) % 16);
    std::memset(block, 0, sizeof block);
    crypto_stream_chacha20_ietf_xor_ic(block, block, sizeof block, state.nonce, 1, state.k);
    const bool tagMatches = (block[0] ^ record[0]) == tag;
    block[0] = record[0];
    mac.update(block, sizeof block);
    mac.update(record + 1, cipherLength);
    mac.update(kZeros, cipherLength % 16);
    // Both lengths are below 2^32: their high words stay zero.
    unsigned char lengths[16] = {};
    LittleEndian::put32(lengths, std::uint32_t(additionalLength));
    LittleEndian::put32(lengths + 8, std::uint32_t(sizeof block + cipherLength));
    mac.update(lengths, sizeof lengths);
    unsigned char computed[kMacSize];
    const bool computedWell = mac.final(computed);
    const bool macMatches = computedWell && sodium_memcmp(computed, record + 1 + cipherLength, kMacSize) == 0;
    sodium_memzero(block, sizeof block);
    return macMatches && tagMatches;
}

// The state the chunk after one opened with `state` opens with: that
// chunk's MAC (`mac`, from its record) folded into the inner nonce, the
// counter on. libsodium would also change the key after 2^32 chunks, which
// no archive reaches (its header bounds the chunk's size, its file the count).
void advance(crypto_secretstream_xchacha20poly1305_state& state, const unsigned char* mac)
{
    for (std::size_t b = 0; b < kInnerNonceSize; ++b)
        state.nonce[kCounterSize + b] ^= mac[b];
    sodium_increment(state.nonce, kCounterSize);
}

// Opens a chunk's record as libsodium's pull does, into `plain`, and moves
// `state` on to the next chunk: checked by authentic(), then its ciphertext
// XORed with the ChaCha20 stream from block 2. False, `state` unchanged,
// for a chunk that does not open.
bool openRecord(crypto_secretstream_xchacha20poly1305_state& state, const unsigned char* record,
                std::size_t length, const unsigned char* additional, std::size_t additionalLength,
                unsigned char tag, unsigned char* plain)
{
    if (!authentic(state, record, length, additional, additionalLength, tag))
        return false;
    // OpenSSL's ChaCha20 takes the 32-bit block counter, then the 96-bit nonce.
    unsigned char counterAndNonce[16] = {};
    LittleEndian::put32(counterAndNonce, 2);
    std::memcpy(counterAndNonce + kCounterSize, state.nonce, sizeof state.nonce);
    EVP_CIPHER_CTX* context = openSsl().chacha20 ? EVP_CIPHER_CTX_new() : nullptr;
    const int cipherLength = int(length - kChunkOverhead);
    int written = 0;
    const bool opened =
        context && EVP_DecryptInit_ex2(context, openSsl().chacha20, state.k, counterAndNonce, nullptr) == 1 &&
        EVP_DecryptUpdate(context, plain, &written, record + 1, cipherLength) == 1 && written == cipherLength;
    EVP_CIPHER_CTX_free(context);
    if (opened)
        advance(state, record + 1 + cipherLength);
    return opened;
}

} // namespace

// ------------------------------------------------------------- writing

struct Writer::State
{
    State(const QString& displayName, int file, const Key& sealing, std::uint32_t chunk)
        : name(displayName), fd(file), key(sealing), chunkSize(chunk)
    {
    }

    QString name;
    int fd;
    const Key& key;
    std::uint32_t chunkSize;
    unsigned char header[kHeaderSize] = {};
    std::size_t directoryLength = 0;
    off_t offset = 0; // where the worker writes its next chunk
    Slot* current = nullptr;
    std::atomic<int> error{0};
    std::unique_ptr<Pipeline> pipe; // last: its worker uses the rest until it is joined

    [[noreturn]] void fail(int why) const
    {
        throw CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\" : %2.")
                               .arg(name, FileUtils::systemReason(why)));
    }

    // The worker: seals the chunks in their order and writes them.
    void work()
    {
        bool first = true;
        for (;;) {
            Slot* slot = pipe->relay.takeFull();
            if (!slot)
                return;
            const bool final = slot->final;
            if (error.load() == 0) {
                unsigned long long sealedLength = 0;
                crypto_secretstream_xchacha20poly1305_push(
                    &pipe->stream, slot->sealed.data(), &sealedLength, slot->plain.data(), slot->length,
                    first ? header : nullptr, first ? kHeaderSize : 0,
                    final ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0);
                first = false;
                int why = 0;
                if (writeAt(fd, slot->sealed.data(), std::size_t(sealedLength), offset, why))
                    offset += off_t(sealedLength);
                else
                    error = why;
            }
            slot->length = 0;
            pipe->relay.giveEmpty(slot);
            if (final)
                return;
        }
    }

    Slot* emptySlot()
    {
        Slot* slot = pipe->relay.takeEmpty();
        if (error.load() != 0 || !slot)
            fail(error.load() ? error.load() : EIO);
        slot->length = 0;
        slot->final = false;
        return slot;
    }
};

Writer::Writer(const QString& displayName, int fd, const Key& key, std::uint32_t chunkSize)
    : m(std::make_unique<State>(displayName, fd, key, std::clamp(chunkSize, kLeastChunkSize, kMostChunkSize)))
{
    m->pipe = std::make_unique<Pipeline>(m->chunkSize, m->chunkSize + kChunkOverhead);
}

Writer::~Writer() = default;

QString Writer::displayName() const
{
    return m->name;
}

void Writer::reserve(std::size_t directorySize)
{
    if (directorySize < kLeastDirectory || directorySize > kMostDirectory)
        throw CabinetError(
            QStringLiteral("Impossible de créer l'archive \"%1\" : elle contient trop de fichiers "
                           "pour être chiffrée.")
                .arg(m->name));
    m->directoryLength = directorySize;
    const QByteArray fields = m->key.keyFields();
    std::memcpy(m->header, fields.constData(), std::size_t(fields.size()));
    const auto check = m->key.checkOf(m->header);
    std::memcpy(m->header + 36, check.data(), check.size());
    LittleEndian::put32(m->header + 52, m->chunkSize);
    LittleEndian::put32(m->header + 56, std::uint32_t(directorySize));
    crypto_secretstream_xchacha20poly1305_init_push(&m->pipe->stream, m->header + 60, m->key.streamKey());
    randombytes_buf(m->header + 84, kNonceSize);
    m->offset = off_t(kHeaderSize + directorySize + kMacSize);
    m->pipe->worker = std::thread([state = m.get()] { state->work(); });
}

void Writer::append(const unsigned char* data, std::size_t count)
{
    while (count > 0) {
        if (!m->current)
            m->current = m->emptySlot();
        Slot& slot = *m->current;
        const std::size_t take = std::min<std::size_t>(count, m->chunkSize - slot.length);
        std::memcpy(slot.plain.data() + slot.length, data, take);
        slot.length += take;
        data += take;
        count -= take;
        if (slot.length == m->chunkSize) {
            m->pipe->relay.giveFull(m->current);
            m->current = nullptr;
        }
    }
}

void Writer::finish(const unsigned char* directory, std::size_t count)
{
    // The last chunk holds less than a whole one, possibly nothing.
    if (!m->current)
        m->current = m->emptySlot();
    m->current->final = true;
    m->pipe->relay.giveFull(m->current);
    m->current = nullptr;
    m->pipe->worker.join();
    if (m->error.load() != 0)
        m->fail(m->error.load());
    if (count != m->directoryLength)
        throw CabinetError(QStringLiteral("Impossible de créer l'archive \"%1\".").arg(m->name));

    // The header, then the directory sealed behind it.
    std::vector<unsigned char> front(kHeaderSize + count + kMacSize);
    std::memcpy(front.data(), m->header, kHeaderSize);
    unsigned long long sealedLength = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(front.data() + kHeaderSize, &sealedLength, directory, count,
                                               m->header, kHeaderSize, nullptr, m->header + 84,
                                               m->key.directoryKey());
    int why = 0;
    if (!writeAt(m->fd, front.data(), front.size(), 0, why))
        m->fail(why);
    if (::fdatasync(m->fd) != 0)
        m->fail(errno);
}

// ------------------------------------------------------------- reading

struct Reader::State
{
    State(const QString& path, const Key& opening) : name(path), key(opening) {}

    QString name;
    const Key& key;
    std::unique_ptr<FileDescriptor> fd;
    Header header;
    QByteArray directory;
    qint64 plainSize = 0;
    qint64 chunks = 0;
    off_t contentStart = 0;
    Slot* current = nullptr;
    std::size_t taken = 0; // of the current slot's bytes
    bool ended = false;
    std::unique_ptr<Pipeline> pipe; // last: its worker uses the rest until it is joined

    [[noreturn]] void refuse(const QString& why) const
    {
        throw CabinetError(QStringLiteral("L'archive \"%1\" est endommagée : %2").arg(name, why));
    }

    // A whole chunk's record, or the last one: what the file holds after the whole ones.
    std::size_t recordLength(qint64 chunk) const
    {
        const qint64 plain = chunk == chunks - 1 ? plainSize - (chunks - 1) * qint64(header.chunkSize)
                                                 : qint64(header.chunkSize);
        return std::size_t(plain) + kChunkOverhead;
    }

    // The worker: reads and opens the chunks in their order.
    void work()
    {
        off_t offset = contentStart;
        for (qint64 i = 0; i < chunks; ++i) {
            Slot* slot = pipe->relay.takeEmpty();
            if (!slot)
                return;
            const bool last = i == chunks - 1;
            const std::size_t length = recordLength(i);
            slot->final = last;
            slot->length = 0;
            int why = 0;
            if (!readAt(fd->get(), slot->sealed.data(), length, offset, why)) {
                slot->error = why;
                slot->damaged = why == 0;
            } else if (!openRecord(pipe->stream, slot->sealed.data(), length,
                                   i == 0 ? reinterpret_cast<const unsigned char*>(header.bytes.constData())
                                          : nullptr,
                                   i == 0 ? kHeaderSize : 0, expectedTag(i, chunks), slot->plain.data())) {
                slot->damaged = true;
            } else {
                slot->length = length - kChunkOverhead;
            }
            const bool failed = slot->damaged || slot->error != 0;
            pipe->relay.giveFull(slot);
            if (failed)
                return;
            offset += off_t(length);
        }
    }
};

Reader::Reader(const QString& path, const Key& key) : m(std::make_unique<State>(path, key))
{
    m->fd =
        std::make_unique<FileDescriptor>(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    struct stat info = {};
    if (m->fd->get() < 0 || ::fstat(m->fd->get(), &info) != 0)
        throw CabinetError(QStringLiteral("Impossible de lire l'archive \"%1\" : %2.")
                               .arg(path, FileUtils::systemReason(errno)));
    ::posix_fadvise(m->fd->get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    QByteArray front(kHeaderSize, '\0');
    int why = 0;
    const qint64 got =
        readUpTo(m->fd->get(), reinterpret_cast<unsigned char*>(front.data()), kHeaderSize, 0, why);
    if (got < 0)
        throw CabinetError(QStringLiteral("Impossible de lire l'archive \"%1\" : %2.")
                               .arg(path, FileUtils::systemReason(why)));
    m->header = Header::parse(front.left(qsizetype(got)), path);
    if (!key.opens(m->header))
        throw WrongPassword();

    // Where the chunks lie follows from the file's length: whole ones,
    // then the last, shorter one.
    const qint64 fileSize = info.st_size;
    const qint64 directoryEnd = qint64(kHeaderSize) + m->header.directoryLength + qint64(kMacSize);
    const qint64 record = qint64(m->header.chunkSize) + qint64(kChunkOverhead);
    const qint64 content = fileSize - directoryEnd;
    if (content < qint64(kChunkOverhead) || content % record < qint64(kChunkOverhead))
        m->refuse(QStringLiteral("elle est incomplète (tronquée)."));
    m->chunks = content / record + 1;
    m->plainSize = (content / record) * m->header.chunkSize + content % record - qint64(kChunkOverhead);
    m->contentStart = off_t(directoryEnd);

    std::vector<unsigned char> sealed(m->header.directoryLength + kMacSize);
    if (!readAt(m->fd->get(), sealed.data(), sealed.size(), kHeaderSize, why))
        m->refuse(QStringLiteral("elle est incomplète (tronquée)."));
    m->directory = QByteArray(qsizetype(m->header.directoryLength), '\0');
    unsigned long long opened = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<unsigned char*>(m->directory.data()), &opened, nullptr, sealed.data(),
            sealed.size(), reinterpret_cast<const unsigned char*>(m->header.bytes.constData()), kHeaderSize,
            m->header.directoryNonce(), key.directoryKey()) != 0)
        m->refuse(QStringLiteral("son en-tête ou son répertoire a été modifié."));
    m->pipe = std::make_unique<Pipeline>(m->header.chunkSize, m->header.chunkSize + kChunkOverhead);
    if (crypto_secretstream_xchacha20poly1305_init_pull(&m->pipe->stream, m->header.streamHeader(),
                                                        key.streamKey()) != 0)
        m->refuse(QStringLiteral("son en-tête a été modifié."));
}

Reader::~Reader() = default;

QString Reader::displayName() const
{
    return m->name;
}

QByteArray Reader::directory()
{
    return m->directory;
}

qint64 Reader::size()
{
    return m->directory.size() + m->plainSize;
}

std::size_t Reader::read(unsigned char* into, std::size_t count)
{
    if (!m->pipe->worker.joinable() && !m->ended && !m->current)
        m->pipe->worker = std::thread([state = m.get()] { state->work(); });
    std::size_t done = 0;
    while (done < count && !m->ended) {
        if (!m->current || m->taken == m->current->length) {
            if (m->current) {
                if (m->current->final) {
                    m->ended = true;
                    break;
                }
                m->pipe->relay.giveEmpty(m->current);
            }
            m->current = m->pipe->relay.takeFull();
            m->taken = 0;
            if (!m->current)
                m->refuse(QStringLiteral("sa lecture a été interrompue."));
            if (m->current->error != 0)
                throw CabinetError(QStringLiteral("Impossible de lire l'archive \"%1\" : %2.")
                                       .arg(m->name, FileUtils::systemReason(m->current->error)));
            if (m->current->damaged)
                m->refuse(QStringLiteral("son contenu chiffré a été modifié ou tronqué."));
        }
        const std::size_t take = std::min(count - done, m->current->length - m->taken);
        std::memcpy(into + done, m->current->plain.data() + m->taken, take);
        m->taken += take;
        done += take;
    }
    return done;
}

void Reader::checkAll(const Cabinet::Progress& progress)
{
    // The state a chunk opens with follows from the chunks before it: the
    // counter counts them, and the inner nonce is XORed with the first 8
    // bytes of each one's MAC, which the file holds. So, reading only those
    // bytes, this thread gives every chunk its state, and each core reads
    // and checks whole chunks, exactly as a reading in order would check them.
    const int workers = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    Relay relay(0, m->header.chunkSize + kChunkOverhead, workers + 2);
    const auto* additional = reinterpret_cast<const unsigned char*>(m->header.bytes.constData());
    const qint64 chunks = m->chunks;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    for (int t = 0; t < workers; ++t)
        threads.emplace_back([&relay, additional, chunks, fd = m->fd->get()] {
            while (Slot* slot = relay.takeFull()) {
                const bool first = slot->index == 0;
                if (!readAt(fd, slot->sealed.data(), slot->sealedLength, slot->offset, slot->error))
                    slot->damaged = slot->error == 0;
                else
                    slot->damaged = !authentic(slot->state, slot->sealed.data(), slot->sealedLength,
                                               first ? additional : nullptr, first ? kHeaderSize : 0,
                                               expectedTag(slot->index, chunks));
                relay.giveEmpty(slot);
            }
        });
    const auto finish = [&] {
        relay.stop();
        for (std::thread& t : threads)
            t.join();
    };

    crypto_secretstream_xchacha20poly1305_state state = m->pipe->stream;
    off_t offset = m->contentStart;
    int inFlight = 0;
    bool damaged = false;
    int error = 0;
    qint64 reported = 0;
    const auto collect = [&](Slot* slot) {
        if (!slot->pending)
            return;
        damaged = damaged || slot->damaged;
        error = error != 0 ? error : slot->error;
        slot->damaged = slot->pending = false;
        slot->error = 0;
        --inFlight;
    };
    for (qint64 i = 0; i < chunks; ++i) {
        Slot* slot = relay.takeEmpty();
        collect(slot);
        if (damaged || error != 0) {
            relay.giveEmpty(slot);
            break;
        }
        const std::size_t length = m->recordLength(i);
        unsigned char mac[kInnerNonceSize];
        int why = 0;
        if (!readAt(m->fd->get(), mac, sizeof mac, offset + off_t(length - kMacSize), why)) {
            error = why;
            damaged = why == 0;
            relay.giveEmpty(slot);
            break;
        }
        slot->index = i;
        slot->offset = offset;
        slot->sealedLength = length;
        slot->state = state;
        slot->pending = true;
        ++inFlight;
        relay.giveFull(slot);
        advance(state, mac);
        offset += off_t(length);
        const qint64 done =
            m->directory.size() + std::min(m->plainSize, (i + 1) * qint64(m->header.chunkSize));
        if (progress && (done - reported >= (qint64(1) << 24) || i == chunks - 1)) {
            reported = done;
            if (!progress(done, size())) {
                finish();
                throw CabinetError(QStringLiteral("Opération interrompue."));
            }
        }
    }
    while (inFlight > 0)
        collect(relay.takeEmpty());
    finish();
    sodium_memzero(&state, sizeof state);
    if (error != 0)
        throw CabinetError(QStringLiteral("Impossible de lire l'archive \"%1\" : %2.")
                               .arg(m->name, FileUtils::systemReason(error)));
    if (damaged)
        m->refuse(QStringLiteral("son contenu chiffré a été modifié ou tronqué."));
}

} // namespace Sealed
