// Byte-order loads and stores, and the rotations of the block functions.
// Every little- or big-endian number the program reads or writes in bytes
// (message words, the join record, executable headers) goes through these.
#ifndef SELVANORE_HASH_BYTES_H
#define SELVANORE_HASH_BYTES_H

#include <cstdint>
#include <cstring>

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t RotateRight(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint16_t LoadLittle16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t LoadLittle32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline uint64_t LoadLittle64(const uint8_t* p) {
    return static_cast<uint64_t>(LoadLittle32(p)) | static_cast<uint64_t>(LoadLittle32(p + 4)) << 32;
}

inline uint32_t LoadBig32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

inline void StoreLittle32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void StoreLittle64(uint8_t* p, uint64_t value) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

#endif
