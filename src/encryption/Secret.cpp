#include "Secret.h"

#include "Errors.h"

#include <cstring>
#include <QByteArray>
#include <QString>
#include <sodium.h>
#include <utility>

void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw AppError(QStringLiteral("La bibliothèque de chiffrement ne peut pas être initialisée."));
}

Secret::Secret(std::size_t size)
{
    if (size == 0)
        return;
    ensureSodium();
    m_data = static_cast<unsigned char*>(sodium_malloc(size));
    if (!m_data)
        throw AppError(QStringLiteral("Mémoire insuffisante pour le chiffrement."));
    std::memset(m_data, 0, size);
    m_size = size;
}

Secret::~Secret()
{
    if (m_data)
        sodium_free(m_data); // wipes before freeing
}

Secret::Secret(Secret&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

Secret& Secret::operator=(Secret&& other) noexcept
{
    if (this != &other) {
        if (m_data)
            sodium_free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

Secret Secret::takeBytes(QByteArray& bytes)
{
    Secret secret(std::size_t(bytes.size()));
    if (!bytes.isEmpty()) {
        // data() would copy shared bytes first: the copy is what gets wiped.
        std::memcpy(secret.m_data, bytes.constData(), secret.m_size);
        sodium_memzero(bytes.data(), std::size_t(bytes.size()));
    }
    bytes.clear();
    return secret;
}

Secret Secret::copy() const
{
    Secret same(m_size);
    if (m_size > 0)
        std::memcpy(same.m_data, m_data, m_size);
    return same;
}

Secret Secret::takeText(QString& text)
{
    QByteArray utf8 = text.toUtf8();
    if (!text.isEmpty())
        sodium_memzero(text.data(), std::size_t(text.size()) * sizeof(QChar));
    text.clear();
    return takeBytes(utf8);
}
