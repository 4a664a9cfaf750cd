// The region kernels on AVX2 byte shuffles: the SSSE3 method (see
// recovery/gf_ssse3.cpp) on 32 words at a time, each 128-bit lane on its
// own, the tables repeated in both lanes. This file alone is compiled with
// -mavx2; nothing here runs unless CPUID and the operating system say the
// processor and the saved state have AVX2. Only intrinsics and
// recovery/gf16.h are included (see recovery/gf_ssse3.cpp).
#include <immintrin.h>

#include "recovery/gf_kernels.h"

namespace {

template <bool kAdd>
inline void Region(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    const __m256i nibbleMask = _mm256_set1_epi8(0x0F);
    const __m256i split = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15,
                                           0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
    __m256i t[8];
    for (int k = 0; k < 8; ++k) {
        t[k] = _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(factor->nibble[k])));
    }
    size_t done = 0;
    for (; done + 64 <= bytes; done += 64) {
        __m256i a = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + done)), split);
        __m256i b = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + done + 32)), split);
        // Per lane: the low bytes of a's eight words, then b's; likewise high.
        __m256i low = _mm256_unpacklo_epi64(a, b);
        __m256i high = _mm256_unpackhi_epi64(a, b);
        __m256i n0 = _mm256_and_si256(low, nibbleMask);
        __m256i n1 = _mm256_and_si256(_mm256_srli_epi16(low, 4), nibbleMask);
        __m256i n2 = _mm256_and_si256(high, nibbleMask);
        __m256i n3 = _mm256_and_si256(_mm256_srli_epi16(high, 4), nibbleMask);
        __m256i productLow = _mm256_xor_si256(
            _mm256_xor_si256(_mm256_shuffle_epi8(t[0], n0), _mm256_shuffle_epi8(t[2], n1)),
            _mm256_xor_si256(_mm256_shuffle_epi8(t[4], n2), _mm256_shuffle_epi8(t[6], n3)));
        __m256i productHigh = _mm256_xor_si256(
            _mm256_xor_si256(_mm256_shuffle_epi8(t[1], n0), _mm256_shuffle_epi8(t[3], n1)),
            _mm256_xor_si256(_mm256_shuffle_epi8(t[5], n2), _mm256_shuffle_epi8(t[7], n3)));
        // Per lane, the first eight bytes of each came from a, the rest from b.
        __m256i first = _mm256_unpacklo_epi8(productLow, productHigh);
        __m256i second = _mm256_unpackhi_epi8(productLow, productHigh);
        __m256i* out = reinterpret_cast<__m256i*>(dst + done);
        if (kAdd) {
            first = _mm256_xor_si256(first, _mm256_loadu_si256(out));
            second = _mm256_xor_si256(second, _mm256_loadu_si256(out + 1));
        }
        _mm256_storeu_si256(out, first);
        _mm256_storeu_si256(out + 1, second);
    }
    _mm256_zeroupper();
    if (done < bytes) {
        if (kAdd) {
            GfMultiplyAddPortable(factor, dst + done, src + done, bytes - done);
        } else {
            GfMultiplyPortable(factor, dst + done, src + done, bytes - done);
        }
    }
}

}  // namespace

void GfMultiplyAddAvx2(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    Region<true>(factor, dst, src, bytes);
}

void GfMultiplyAvx2(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes) {
    Region<false>(factor, dst, src, bytes);
}
