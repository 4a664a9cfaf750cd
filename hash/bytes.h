// Word loads and rotations shared by the block functions.
#ifndef SELVANORE_HASH_BYTES_H
#define SELVANORE_HASH_BYTES_H

#include <cstdint>
#include <cstring>

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t RotateRight(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t LoadLittle32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline uint32_t LoadBig32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

#endif
