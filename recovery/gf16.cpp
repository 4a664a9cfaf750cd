#include "recovery/gf16.h"

#include "recovery/gf_kernels.h"

namespace {

// exp2 twice over, so that the sum of two logarithms needs no reduction.
struct GfTables {
    uint16_t log[65536];
    uint16_t exp[2 * kGfOrder];
};

const GfTables& Tables() {
    static const GfTables* tables = [] {
        static GfTables t;
        uint32_t x = 1;
        for (uint32_t n = 0; n < kGfOrder; ++n) {
            t.exp[n] = static_cast<uint16_t>(x);
            t.exp[n + kGfOrder] = static_cast<uint16_t>(x);
            t.log[x] = static_cast<uint16_t>(n);
            x <<= 1;
            if (x & 0x10000) x ^= kGfGenerator;
        }
        t.log[0] = 0;  // never used: zero has no logarithm
        return &t;
    }();
    return *tables;
}

// x * 2.
inline uint16_t Double(uint16_t x) {
    return static_cast<uint16_t>((x << 1) ^ ((x & 0x8000) != 0 ? (kGfGenerator & 0xFFFF) : 0));
}

}  // namespace

uint16_t GfLog(uint16_t a) { return Tables().log[a]; }

uint16_t GfExp(uint32_t n) { return Tables().exp[n % kGfOrder]; }

uint16_t GfMultiply(uint16_t a, uint16_t b) {
    if (a == 0 || b == 0) return 0;
    const GfTables& t = Tables();
    return t.exp[t.log[a] + t.log[b]];
}

uint16_t GfDivide(uint16_t a, uint16_t b) {
    if (a == 0 || b == 0) return 0;
    const GfTables& t = Tables();
    return t.exp[t.log[a] + kGfOrder - t.log[b]];
}

uint16_t GfPower(uint16_t a, uint32_t n) {
    if (n == 0) return 1;
    if (a == 0) return 0;
    const GfTables& t = Tables();
    uint64_t exponent = static_cast<uint64_t>(t.log[a]) * n % kGfOrder;
    return t.exp[exponent];
}

uint16_t GfInverse(uint16_t a) { return GfDivide(1, a); }

void GfPrepareFactor(uint16_t factor, GfFactor* prepared) {
    prepared->factor = factor;
    // The products of the single bits, then every byte as the sum of its
    // lowest bit's product and the rest's.
    uint16_t bit = factor;
    for (uint32_t k = 0; k < 16; ++k) {
        if (k < 8) {
            prepared->lowByte[1u << k] = bit;
        } else {
            prepared->highByte[1u << (k - 8)] = bit;
        }
        bit = Double(bit);
    }
    prepared->lowByte[0] = 0;
    prepared->highByte[0] = 0;
    for (uint32_t i = 1; i < 256; ++i) {
        uint32_t lowest = i & (0u - i);
        if (lowest == i) continue;
        prepared->lowByte[i] = prepared->lowByte[i ^ lowest] ^ prepared->lowByte[lowest];
        prepared->highByte[i] = prepared->highByte[i ^ lowest] ^ prepared->highByte[lowest];
    }
    for (uint32_t k = 0; k < 4; ++k) {
        const uint16_t* table = k < 2 ? prepared->lowByte : prepared->highByte;
        uint32_t shift = 4 * (k % 2);
        for (uint32_t v = 0; v < 16; ++v) {
            uint16_t product = table[v << shift];
            prepared->nibble[2 * k][v] = static_cast<uint8_t>(product);
            prepared->nibble[2 * k + 1][v] = static_cast<uint8_t>(product >> 8);
        }
    }
}

void GfMultiplyAddPortable(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    const uint16_t* low = factor->lowByte;
    const uint16_t* high = factor->highByte;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        uint16_t product = low[src[i]] ^ high[src[i + 1]];
        dst[i] = static_cast<uint8_t>(dst[i] ^ product);
        dst[i + 1] = static_cast<uint8_t>(dst[i + 1] ^ (product >> 8));
    }
}

void GfMultiplyPortable(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    const uint16_t* low = factor->lowByte;
    const uint16_t* high = factor->highByte;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        uint16_t product = low[src[i]] ^ high[src[i + 1]];
        dst[i] = static_cast<uint8_t>(product);
        dst[i + 1] = static_cast<uint8_t>(product >> 8);
    }
}

const GfKernels* GfPortableKernels() {
    static const GfKernels portable = {"portable", GfMultiplyAddPortable, GfMultiplyPortable};
    return &portable;
}

void GfRegionMultiplyAdd(uint16_t factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    if (factor == 0 || bytes < 2) return;
    GfFactor prepared;
    GfPrepareFactor(factor, &prepared);
    GfActiveKernels()->multiplyAdd(&prepared, dst, src, bytes);
}

void GfRegionMultiply(uint16_t factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    GfFactor prepared;
    GfPrepareFactor(factor, &prepared);
    GfActiveKernels()->multiply(&prepared, dst, src, bytes);
}
