// CRC-32 by carry-less multiplication (PCLMULQDQ), the folding method Intel
// published ("Fast CRC Computation for Generic Polynomials Using PCLMULQDQ
// Instruction", 2009): four 128-bit lanes of the message are folded forward
// 512 bits at a time, then into one lane, which is reduced to 64 and to 32
// bits, the last step by Barrett reduction. Every constant is a power of x
// modulo the reflected polynomial 0x1DB710641 (CRC-32's, bit-reflected, x^32
// included). Only this file is built with -mpclmul -msse4.1;
// recovery/gf_accel_x86.cpp runs it only where CPUID reports both, and after
// a self-test.
#include <immintrin.h>

#include "recovery/crc32.h"

namespace {

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// lane * x^k folded onto the next: both halves multiplied by their constant
// (low by constants' low, high by their high), added to next.
inline __m128i Fold(__m128i lane, __m128i constants, __m128i next) {
    __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

}  // namespace

uint32_t Crc32FoldClmul(uint32_t state, const uint8_t* data, size_t size) {
    // x^(512+32) and x^(512-32): folding by four lanes; x^(128+32) and
    // x^(128-32): by one; x^64; then the polynomial and its Barrett quotient
    // x^64 / P.
    const __m128i byFour = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    const __m128i byOne = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    const __m128i by64 = _mm_set_epi64x(0, 0x163cd6124);
    const __m128i barrett = _mm_set_epi64x(0x1f7011641, 0x1db710641);
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);

    __m128i x1 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x2 = Load(data + 16);
    __m128i x3 = Load(data + 32);
    __m128i x4 = Load(data + 48);
    data += 64;
    size -= 64;
    while (size >= 64) {
        x1 = Fold(x1, byFour, Load(data));
        x2 = Fold(x2, byFour, Load(data + 16));
        x3 = Fold(x3, byFour, Load(data + 32));
        x4 = Fold(x4, byFour, Load(data + 48));
        data += 64;
        size -= 64;
    }
    x1 = Fold(x1, byOne, x2);
    x1 = Fold(x1, byOne, x3);
    x1 = Fold(x1, byOne, x4);
    while (size >= 16) {
        x1 = Fold(x1, byOne, Load(data));
        data += 16;
        size -= 16;
    }
    // 128 bits to 64: the low half times x^(128-32) onto the high half.
    __m128i t = _mm_clmulepi64_si128(x1, byOne, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), t);
    // 64 to 32: the low 32 bits times x^64 onto the rest.
    t = _mm_srli_si128(x1, 4);
    x1 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), by64, 0x00);
    x1 = _mm_xor_si128(x1, t);
    // Barrett: q = (low 32 bits * mu) mod x^32, remainder = value + q * P.
    t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    x1 = _mm_xor_si128(x1, t);
    return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}
