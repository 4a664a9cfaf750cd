// The region kernels on SSSE3 byte shuffles. This file alone is compiled with
// -mssse3; nothing here runs unless CPUID says the processor has SSSE3.
//
// Sixteen words at a time: their low and high bytes are gathered into one
// register each, each byte split into two nibbles, and each nibble looks up
// the low and the high byte of its part of the product in a 16-entry table
// (pshufb); the parts are added (xor) and the bytes put back in word order.
// Only intrinsics and recovery/gf16.h are included, so that no inline
// function of a shared header is compiled here with SSSE3 instructions.
#include <tmmintrin.h>

#include "recovery/gf_kernels.h"

namespace {

template <bool kAdd>
inline void Region(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    const __m128i nibbleMask = _mm_set1_epi8(0x0F);
    // Even bytes (the words' low bytes) to the first half, odd to the second.
    const __m128i split = _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
    __m128i t[8];
    for (int k = 0; k < 8; ++k) t[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(factor->nibble[k]));
    size_t done = 0;
    for (; done + 32 <= bytes; done += 32) {
        __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + done)), split);
        __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + done + 16)), split);
        __m128i low = _mm_unpacklo_epi64(a, b);
        __m128i high = _mm_unpackhi_epi64(a, b);
        __m128i n0 = _mm_and_si128(low, nibbleMask);
        __m128i n1 = _mm_and_si128(_mm_srli_epi16(low, 4), nibbleMask);
        __m128i n2 = _mm_and_si128(high, nibbleMask);
        __m128i n3 = _mm_and_si128(_mm_srli_epi16(high, 4), nibbleMask);
        __m128i productLow = _mm_xor_si128(
            _mm_xor_si128(_mm_shuffle_epi8(t[0], n0), _mm_shuffle_epi8(t[2], n1)),
            _mm_xor_si128(_mm_shuffle_epi8(t[4], n2), _mm_shuffle_epi8(t[6], n3)));
        __m128i productHigh = _mm_xor_si128(
            _mm_xor_si128(_mm_shuffle_epi8(t[1], n0), _mm_shuffle_epi8(t[3], n1)),
            _mm_xor_si128(_mm_shuffle_epi8(t[5], n2), _mm_shuffle_epi8(t[7], n3)));
        __m128i first = _mm_unpacklo_epi8(productLow, productHigh);
        __m128i second = _mm_unpackhi_epi8(productLow, productHigh);
        __m128i* out = reinterpret_cast<__m128i*>(dst + done);
        if (kAdd) {
            first = _mm_xor_si128(first, _mm_loadu_si128(out));
            second = _mm_xor_si128(second, _mm_loadu_si128(out + 1));
        }
        _mm_storeu_si128(out, first);
        _mm_storeu_si128(out + 1, second);
    }
    if (done < bytes) {
        if (kAdd) {
            GfMultiplyAddPortable(factor, dst + done, src + done, bytes - done);
        } else {
            GfMultiplyPortable(factor, dst + done, src + done, bytes - done);
        }
    }
}

}  // namespace

void GfMultiplyAddSsse3(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    Region<true>(factor, dst, src, bytes);
}

void GfMultiplySsse3(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    Region<false>(factor, dst, src, bytes);
}
