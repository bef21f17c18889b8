#pragma once

#include <cstdint>

// The little-endian fields of the file formats the program reads and
// writes (cabinets, encrypted archives, Jet pages, BMP pictures). Defined
// here so that they are inlined: the cabinet checksum reads every byte of
// an archive through get32, a BMP picture every pixel.
namespace LittleEndian {

inline std::uint32_t get16(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

inline std::uint32_t get32(const unsigned char* p)
{
    return get16(p) | get16(p + 2) << 16;
}

inline void put16(unsigned char* p, std::uint32_t value)
{
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}

inline void put32(unsigned char* p, std::uint32_t value)
{
    put16(p, value);
    put16(p + 2, value >> 16);
}

} // namespace LittleEndian
