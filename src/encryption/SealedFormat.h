#pragma once

#include "Errors.h"
#include "Secret.h"

#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <QByteArray>
#include <QString>
#include <thread>

// An encrypted archive: a cabinet sealed as a whole with a key derived from
// a password. The file keeps the archive's ".bkp" name; its plaintext is
// exactly the cabinet the program would write plain, its directory sealed
// apart (it is finished last but read first) and the rest in chunks.
//
// Layout, integers little-endian:
//
//   offset  size   field
//   0       8      magic "BRVCRYPT"
//   8       2      format version: 1
//   10      1      key derivation: 2 = Argon2id version 1.3
//   11      1      0
//   12      4      Argon2id passes (1 to 8 accepted)
//   16      4      Argon2id memory in KiB (8 to 524 288 accepted)
//   20      16     salt
//   36      16     password check: BLAKE2b-128 of bytes 0 to 35, keyed with
//                  the check key
//   52      4      chunk size C: plaintext bytes of each chunk but the last
//                  (64 to 8 MiB accepted)
//   56      4      directory length D: the cabinet's bytes up to its first
//                  folder's data (36 to 32 MiB accepted)
//   60      24     secretstream header (XChaCha20-Poly1305)
//   84      24     directory nonce
//   108     D+16   the directory, XChaCha20-Poly1305-IETF with the directory
//                  key and nonce, bytes 0 to 107 as additional data
//   124+D   ...    the rest of the cabinet in secretstream chunks of C+17
//                  bytes (tag byte, C bytes, 16-byte MAC), tag MESSAGE;
//                  then one chunk of 0 to C-1 bytes with tag FINAL, where the
//                  file ends. The first chunk has bytes 0 to 107 as
//                  additional data.
//
// Keys: Argon2id (libsodium's crypto_pwhash) of the password's UTF-8 and
// the salt gives a 32-byte master key; crypto_kdf_derive_from_key with the
// context "BrvSauve" gives from it the check key (id 1), the directory key
// (id 2) and the stream key (id 3).
//
// What it catches: a wrong password fails the check before anything is
// decrypted; a changed byte of the header fails the directory or the first
// chunk; a changed, moved, repeated or dropped chunk fails its MAC or the
// order of the stream; a file cut anywhere lacks its FINAL chunk or has a
// chunk of the wrong size. Parameters beyond the accepted bounds are refused
// before any key is derived, so a forged header cannot make an opening take
// hours or exhaust memory.
//
// One key may seal several archives: each gets a stream header and a
// directory nonce of its own, drawn at random.
namespace Sealed {

constexpr std::size_t kHeaderSize = 108;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kCheckSize = 16;
constexpr std::size_t kStreamHeaderSize = 24;
constexpr std::size_t kNonceSize = 24;
constexpr std::size_t kMacSize = 16;
constexpr std::size_t kChunkOverhead = 17; // tag byte and MAC
constexpr std::uint16_t kVersion = 1;

// What deriving the key costs.
struct KeyCost
{
    std::uint32_t passes = 0;
    std::uint32_t memoryKiB = 0;
};
// About half a second here, 256 MiB of memory.
constexpr KeyCost kDefaultCost{2, 256 * 1024};
// libsodium's least: for tests, which derive many keys.
constexpr KeyCost kLeastCost{1, 8};
constexpr KeyCost kMostCost{8, 512 * 1024};

constexpr std::uint32_t kDefaultChunkSize = 1 << 20;
constexpr std::uint32_t kLeastChunkSize = 64;
constexpr std::uint32_t kMostChunkSize = 8 << 20;
constexpr std::uint32_t kLeastDirectory = 36;
constexpr std::uint32_t kMostDirectory = 32 << 20;

class WrongPassword : public AppError
{
public:
    WrongPassword() : AppError(QStringLiteral("Mot de passe incorrect.")) {}
};

// The fixed header of an encrypted archive, read and checked against the
// bounds; its bytes as they are in the file.
struct Header
{
    QByteArray bytes; // kHeaderSize bytes
    KeyCost cost;
    std::array<unsigned char, kSaltSize> salt{};
    std::array<unsigned char, kCheckSize> check{};
    std::uint32_t chunkSize = 0;
    std::uint32_t directoryLength = 0;

    // Throws CabinetError naming `displayName` for another format, an
    // unknown version or parameters out of bounds.
    static Header parse(const QByteArray& bytes, const QString& displayName);
    // The header of the file; also CabinetError when it cannot be read.
    static Header read(const QString& path);

    const unsigned char* streamHeader() const;
    const unsigned char* directoryNonce() const;
};

// Whether the file begins as an encrypted archive does.
bool isSealed(const QString& path);

// The most an encrypted archive of a cabinet of `cabinetSize` bytes takes.
qint64 largestSealedSize(qint64 cabinetSize, std::uint32_t chunkSize = kDefaultChunkSize);

// The keys of an archive, derived from its password and salt.
class Key
{
public:
    // For new archives: a fresh salt. Takes the time `cost` says.
    static Key create(const Secret& password, KeyCost cost = kDefaultCost);
    // The key of the archive whose header this is; WrongPassword when the
    // password is not the one it was sealed with.
    static Key open(const Header& header, const Secret& password);

    KeyCost cost() const { return m_cost; }
    const std::array<unsigned char, kSaltSize>& salt() const { return m_salt; }
    // The check value of a header's first 36 bytes.
    std::array<unsigned char, kCheckSize> checkOf(const unsigned char* keyFields) const;
    // True when the header was made with this key (same salt and cost, and
    // its check value matches).
    bool opens(const Header& header) const;
    const unsigned char* directoryKey() const { return m_keys.data() + 32; }
    const unsigned char* streamKey() const { return m_keys.data() + 64; }

    // The header's first 36 bytes for this key: magic, version, cost, salt.
    QByteArray keyFields() const;

    // The key as a restore keeps it beside the data it set aside until
    // their safety archive is written (SafetyArchive): its cost, its salt
    // and the keys derived from the password, never the password. Made
    // with a salt of its own, it opens that one archive and no other.
    Secret exported() const;
    // Throws AppError for bytes that are not such a key.
    static Key imported(const Secret& bytes);

private:
    Key(const Secret& password, KeyCost cost, const std::array<unsigned char, kSaltSize>& salt);
    Key(KeyCost cost, const std::array<unsigned char, kSaltSize>& salt, Secret keys);

    KeyCost m_cost;
    std::array<unsigned char, kSaltSize> m_salt{};
    Secret m_keys; // check, directory, stream: 32 bytes each
};

// A key derived on a thread of its own while the caller does something
// else (a backup compacts the database meanwhile). The password is wiped
// once the key is made.
class PendingKey
{
public:
    explicit PendingKey(Secret password, KeyCost cost = kDefaultCost);
    ~PendingKey();
    PendingKey(const PendingKey&) = delete;
    PendingKey& operator=(const PendingKey&) = delete;

    // Waits for the key; throws what deriving it threw.
    const Key& get();

private:
    Secret m_password;
    std::optional<Key> m_key;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace Sealed
