#pragma once
// Little- and big-endian integers over raw bytes: the one place where the
// table formats, their tests and the tools that write tables by hand turn
// bytes into numbers and back. Callers check bounds before calling.

#include <cstdint>
#include <cstring>

namespace tw::encoding {

inline uint16_t getU16LE(const unsigned char *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t getU32LE(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t getU64LE(const unsigned char *p)
{
    return uint64_t(getU32LE(p)) | (uint64_t(getU32LE(p + 4)) << 32);
}
inline int32_t getI32LE(const unsigned char *p)
{
    return int32_t(getU32LE(p));
}
inline int64_t getI64LE(const unsigned char *p)
{
    return int64_t(getU64LE(p));
}
inline double getF64LE(const unsigned char *p)
{
    const uint64_t bits = getU64LE(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline uint16_t getU16BE(const unsigned char *p)
{
    return uint16_t((p[0] << 8) | p[1]);
}
inline uint32_t getU32BE(const unsigned char *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint64_t getU64BE(const unsigned char *p)
{
    return (uint64_t(getU32BE(p)) << 32) | getU32BE(p + 4);
}

inline void putU16LE(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putU32LE(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline void putU64LE(unsigned char *p, uint64_t v)
{
    putU32LE(p, uint32_t(v));
    putU32LE(p + 4, uint32_t(v >> 32));
}

inline void putU16BE(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void putU32BE(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * (3 - i)));
}
inline void putU64BE(unsigned char *p, uint64_t v)
{
    putU32BE(p, uint32_t(v >> 32));
    putU32BE(p + 4, uint32_t(v));
}

// Views a char buffer (QByteArray::data()) as unsigned bytes.
inline const unsigned char *bytesOf(const char *p)
{
    return reinterpret_cast<const unsigned char *>(p);
}
inline unsigned char *bytesOf(char *p)
{
    return reinterpret_cast<unsigned char *>(p);
}

} // namespace tw::encoding
