// Arithmetic in GF(2^16) as the PAR 2.0 format defines it: polynomials over
// GF(2) modulo the generator 0x1100B, whose element 2 generates the
// multiplicative group of 65535 elements. Addition is exclusive or.
//
// Data are regions of 16-bit little-endian words (the byte order of a
// recovery slice on disk), at any address and of any even length: nothing
// here assumes an alignment or the size of a pointer.
#ifndef SELVANORE_RECOVERY_GF16_H
#define SELVANORE_RECOVERY_GF16_H

#include <cstddef>
#include <cstdint>

const uint32_t kGfGenerator = 0x1100B;
const uint32_t kGfOrder = 65535;  // elements of the multiplicative group

uint16_t GfMultiply(uint16_t a, uint16_t b);
// a / b; b must not be 0 (returns 0 then).
uint16_t GfDivide(uint16_t a, uint16_t b);
// a to the power n (0^0 is 1).
uint16_t GfPower(uint16_t a, uint32_t n);
// The inverse of a, or 0 for 0.
uint16_t GfInverse(uint16_t a);
// log2(a) for a != 0, in 0..65534; exp2(n) for any n.
uint16_t GfLog(uint16_t a);
uint16_t GfExp(uint32_t n);

// What the region kernels need to multiply by one factor, prepared once per
// factor (cheap: about 600 table entries) and then used over any number of
// bytes: the product of each possible low and high byte of a word, and the
// same split into four nibbles, each giving the low and the high byte of its
// part of the product (for the byte-shuffle kernels).
struct GfFactor {
    uint16_t factor;
    uint16_t lowByte[256];   // factor * b
    uint16_t highByte[256];  // factor * (b << 8)
    // nibble[2 * k] : low bytes of factor * (v << 4k), v = 0..15;
    // nibble[2 * k + 1] : their high bytes.
    uint8_t nibble[8][16];
};

void GfPrepareFactor(uint16_t factor, GfFactor* prepared);

// The region kernels over bytes bytes (even) of words: dst ^= factor * src
// (multiply-add) and dst = factor * src (multiply). dst and src may be the
// same region but must not otherwise overlap.
typedef void (*GfRegionFunction)(const GfFactor* factor, uint8_t* dst, const uint8_t* src,
                                 size_t bytes);

// The portable kernels, by the two byte tables.
void GfMultiplyAddPortable(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes);
void GfMultiplyPortable(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes);

#endif
