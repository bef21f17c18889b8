#include "JetHeader.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace JetHeader {
namespace {

const std::uint8_t kKey[] = {0xc7, 0xda, 0x39, 0x6b};

void rc4(const std::uint8_t* key, int keyLength, char* data, int length)
{
    std::array<std::uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] = static_cast<char>(static_cast<std::uint8_t>(data[n]) ^ s[(s[i] + s[j]) & 0xff]);
    }
}

} // namespace

void toggleScrambling(QByteArray& page)
{
    rc4(kKey, sizeof kKey, page.data() + kScrambledStart, kScrambledLength);
}

QByteArray passwordMask(const QByteArray& unscrambled)
{
    double created = 0;
    std::memcpy(&created, unscrambled.constData() + kCreationDateOffset, sizeof created);
    const auto days = static_cast<std::int32_t>(
        std::isfinite(created) && std::fabs(created) < 2e9 ? std::floor(created) : 0);
    QByteArray mask(kPasswordLength, '\0');
    for (int i = 0; i < kPasswordLength; ++i)
        mask[i] = static_cast<char>((static_cast<std::uint32_t>(days) >> (8 * (i % 4))) & 0xff);
    return mask;
}

bool hasPassword(const QByteArray& storedPage)
{
    if (storedPage.size() < kScrambledStart + kScrambledLength)
        return false;
    QByteArray page = storedPage;
    toggleScrambling(page);
    const QByteArray mask = passwordMask(page);
    for (int i = 0; i < kPasswordLength; ++i)
        if ((page.at(kPasswordOffset + i) ^ mask.at(i)) != 0)
            return true;
    return false;
}

} // namespace JetHeader
