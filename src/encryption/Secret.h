#pragma once

#include <cstddef>

class QByteArray;
class QString;

// Bytes that must not outlive their use (a password, keys): kept in memory
// of their own that is never swapped out, wiped when freed.
class Secret
{
public:
    Secret() = default;
    explicit Secret(std::size_t size); // zeroed
    ~Secret();
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    // The text's UTF-8; the string's own characters are wiped and it is left
    // empty. Copies Qt made elsewhere (a line edit's) are the caller's to clear.
    static Secret takeText(QString& text);
    // The bytes, which are wiped in their array, left empty.
    static Secret takeBytes(QByteArray& bytes);
    // Another secret of the same bytes: a password that a second key is
    // derived from while the first one is in use.
    Secret copy() const;

    unsigned char* data() { return m_data; }
    const unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

private:
    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

// libsodium made ready once; throws AppError when it cannot be.
void ensureSodium();
