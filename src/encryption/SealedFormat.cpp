#include "SealedFormat.h"

#include "CabinetFormat.h"
#include "LittleEndian.h"

#include <cstring>
#include <QFile>
#include <sodium.h>
#include <utility>

namespace Sealed {
namespace {

constexpr char kMagic[8] = {'B', 'R', 'V', 'C', 'R', 'Y', 'P', 'T'};
constexpr std::size_t kKeyFieldsSize = 36;
constexpr unsigned char kArgon2id = 2;
// Check, directory and stream keys, 32 bytes each.
constexpr std::size_t kKeysSize = 96;
// Cost, salt and keys.
constexpr std::size_t kExportedSize = 8 + kSaltSize + kKeysSize;
constexpr char kContext[crypto_kdf_CONTEXTBYTES] = {'B', 'r', 'v', 'S', 'a', 'u', 'v', 'e'};
static_assert(crypto_pwhash_ALG_ARGON2ID13 == kArgon2id);
static_assert(crypto_pwhash_SALTBYTES == kSaltSize);
static_assert(crypto_secretstream_xchacha20poly1305_HEADERBYTES == kStreamHeaderSize);
static_assert(crypto_secretstream_xchacha20poly1305_ABYTES == kChunkOverhead);
static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == kNonceSize);
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == kMacSize);

using LittleEndian::get16;
using LittleEndian::get32;
using LittleEndian::put32;

bool within(std::uint32_t value, std::uint32_t least, std::uint32_t most)
{
    return value >= least && value <= most;
}

} // namespace

Header Header::parse(const QByteArray& bytes, const QString& displayName)
{
    const auto refuse = [&](const QString& why) {
        return CabinetError(QStringLiteral("L'archive \"%1\" est inutilisable : %2").arg(displayName, why));
    };
    if (bytes.size() < qsizetype(sizeof kMagic) || std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0)
        throw refuse(QStringLiteral("ce n'est pas une sauvegarde chiffrée."));
    if (bytes.size() < qsizetype(kHeaderSize))
        throw refuse(QStringLiteral("elle est incomplète (tronquée)."));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (get16(p + 8) != kVersion)
        throw refuse(
            QStringLiteral("son format de chiffrement n'est pas connu de cette version du logiciel."));
    Header h;
    h.bytes = bytes.left(kHeaderSize);
    h.cost = {get32(p + 12), get32(p + 16)};
    h.chunkSize = get32(p + 52);
    h.directoryLength = get32(p + 56);
    if (p[10] != kArgon2id || p[11] != 0 || !within(h.cost.passes, kLeastCost.passes, kMostCost.passes) ||
        !within(h.cost.memoryKiB, kLeastCost.memoryKiB, kMostCost.memoryKiB) ||
        !within(h.chunkSize, kLeastChunkSize, kMostChunkSize) ||
        !within(h.directoryLength, kLeastDirectory, kMostDirectory))
        throw refuse(QStringLiteral("elle est endommagée (paramètres de chiffrement hors limites)."));
    std::memcpy(h.salt.data(), p + 20, kSaltSize);
    std::memcpy(h.check.data(), p + kKeyFieldsSize, kCheckSize);
    return h;
}

Header Header::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CabinetError(QStringLiteral("Impossible de lire l'archive \"%1\".").arg(path));
    return parse(file.read(kHeaderSize), path);
}

const unsigned char* Header::streamHeader() const
{
    return reinterpret_cast<const unsigned char*>(bytes.constData()) + 60;
}

const unsigned char* Header::directoryNonce() const
{
    return reinterpret_cast<const unsigned char*>(bytes.constData()) + 84;
}

qint64 largestSealedSize(qint64 cabinetSize, std::uint32_t chunkSize)
{
    // The header, the directory's MAC, and each chunk's tag and MAC, the final one included.
    return qint64(kHeaderSize + kMacSize) + cabinetSize +
           (cabinetSize / chunkSize + 2) * qint64(kChunkOverhead);
}

bool isSealed(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(sizeof kMagic) == QByteArray(kMagic, sizeof kMagic);
}

Key::Key(const Secret& password, KeyCost cost, const std::array<unsigned char, kSaltSize>& salt)
    : m_cost(cost), m_salt(salt), m_keys(kKeysSize)
{
    Secret master(crypto_kdf_KEYBYTES);
    if (crypto_pwhash(master.data(), master.size(), reinterpret_cast<const char*>(password.data()),
                      password.size(), m_salt.data(), cost.passes, std::size_t(cost.memoryKiB) * 1024,
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw AppError(QStringLiteral("Mémoire insuffisante pour dériver la clé de chiffrement."));
    for (std::uint64_t id = 1; id <= 3; ++id)
        crypto_kdf_derive_from_key(m_keys.data() + 32 * (id - 1), 32, id, kContext, master.data());
}

Key::Key(KeyCost cost, const std::array<unsigned char, kSaltSize>& salt, Secret keys)
    : m_cost(cost), m_salt(salt), m_keys(std::move(keys))
{
}

Key Key::create(const Secret& password, KeyCost cost)
{
    ensureSodium();
    std::array<unsigned char, kSaltSize> salt;
    randombytes_buf(salt.data(), salt.size());
    return Key(password, cost, salt);
}

Key Key::open(const Header& header, const Secret& password)
{
    ensureSodium();
    Key key(password, header.cost, header.salt);
    if (!key.opens(header))
        throw WrongPassword();
    return key;
}

QByteArray Key::keyFields() const
{
    QByteArray fields(kKeyFieldsSize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(fields.data());
    std::memcpy(p, kMagic, sizeof kMagic);
    p[8] = static_cast<unsigned char>(kVersion);
    p[9] = static_cast<unsigned char>(kVersion >> 8);
    p[10] = kArgon2id;
    put32(p + 12, m_cost.passes);
    put32(p + 16, m_cost.memoryKiB);
    std::memcpy(p + 20, m_salt.data(), kSaltSize);
    return fields;
}

Secret Key::exported() const
{
    Secret bytes(kExportedSize);
    put32(bytes.data(), m_cost.passes);
    put32(bytes.data() + 4, m_cost.memoryKiB);
    std::memcpy(bytes.data() + 8, m_salt.data(), kSaltSize);
    std::memcpy(bytes.data() + 8 + kSaltSize, m_keys.data(), m_keys.size());
    return bytes;
}

Key Key::imported(const Secret& bytes)
{
    const KeyCost cost{bytes.size() == kExportedSize ? get32(bytes.data()) : 0,
                       bytes.size() == kExportedSize ? get32(bytes.data() + 4) : 0};
    if (!within(cost.passes, kLeastCost.passes, kMostCost.passes) ||
        !within(cost.memoryKiB, kLeastCost.memoryKiB, kMostCost.memoryKiB))
        throw AppError(QStringLiteral("La clé de chiffrement gardée est illisible."));
    std::array<unsigned char, kSaltSize> salt;
    std::memcpy(salt.data(), bytes.data() + 8, kSaltSize);
    Secret keys(kKeysSize);
    std::memcpy(keys.data(), bytes.data() + 8 + kSaltSize, kKeysSize);
    return Key(cost, salt, std::move(keys));
}

std::array<unsigned char, kCheckSize> Key::checkOf(const unsigned char* keyFields) const
{
    std::array<unsigned char, kCheckSize> check;
    crypto_generichash(check.data(), check.size(), keyFields, kKeyFieldsSize, m_keys.data(), 32);
    return check;
}

bool Key::opens(const Header& header) const
{
    const auto* fields = reinterpret_cast<const unsigned char*>(header.bytes.constData());
    const std::array<unsigned char, kCheckSize> expected = checkOf(fields);
    return header.bytes.left(kKeyFieldsSize) == keyFields() &&
           sodium_memcmp(expected.data(), header.check.data(), kCheckSize) == 0;
}

PendingKey::PendingKey(Secret password, KeyCost cost) : m_password(std::move(password))
{
    ensureSodium();
    m_thread = std::thread([this, cost] {
        try {
            m_key.emplace(Key::create(m_password, cost));
        } catch (...) {
            m_failure = std::current_exception();
        }
        m_password = Secret();
    });
}

PendingKey::~PendingKey()
{
    if (m_thread.joinable())
        m_thread.join();
}

const Key& PendingKey::get()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_failure)
        std::rethrow_exception(m_failure);
    return *m_key;
}

} // namespace Sealed
