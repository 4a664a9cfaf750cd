// SHA-1 and SHA-256 block functions on the x86 SHA extensions. This file
// alone is compiled with -msha -msse4.1 -mssse3; nothing here runs unless
// CPUID says the processor has them.
#include <immintrin.h>

#include <utility>

#include "hash/accel.h"

namespace {

// Byte order of the message words: big-endian words into lanes.
inline __m128i LoadSha1Words(const uint8_t* p) {
    const __m128i mask = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), mask);
}

inline __m128i LoadSha256Words(const uint8_t* p) {
    const __m128i mask = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), mask);
}

// Four SHA-1 rounds, group G of 20: the message schedule of the following
// groups advances in the same pass.
template <int G>
inline void Sha1Group(const uint8_t* block, __m128i& abcd, __m128i (&e)[2], __m128i (&m)[4]) {
    __m128i& current = e[G % 2];
    if (G < 4) m[G] = LoadSha1Words(block + 16 * G);
    if (G == 0) {
        current = _mm_add_epi32(current, m[0]);
    } else {
        current = _mm_sha1nexte_epu32(current, m[G % 4]);
    }
    e[(G + 1) % 2] = abcd;
    if (G >= 3 && G <= 18) m[(G + 1) % 4] = _mm_sha1msg2_epu32(m[(G + 1) % 4], m[G % 4]);
    abcd = _mm_sha1rnds4_epu32(abcd, current, G / 5);
    if (G >= 1 && G <= 16) m[(G + 3) % 4] = _mm_sha1msg1_epu32(m[(G + 3) % 4], m[G % 4]);
    if (G >= 2 && G <= 17) m[(G + 2) % 4] = _mm_xor_si128(m[(G + 2) % 4], m[G % 4]);
}

template <int... G>
inline void Sha1Block(const uint8_t* block, __m128i& abcd, __m128i (&e)[2], __m128i (&m)[4],
                      std::integer_sequence<int, G...>) {
    (Sha1Group<G>(block, abcd, e, m), ...);
}

// Four SHA-256 rounds, group G of 16, with the schedule of later groups.
template <int G>
inline void Sha256Group(const uint8_t* block, __m128i& abef, __m128i& cdgh, __m128i (&m)[4]) {
    if (G < 4) m[G] = LoadSha256Words(block + 16 * G);
    __m128i words = _mm_add_epi32(m[G % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256RoundConstants + 4 * G)));
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);
    if (G >= 3 && G <= 14) {
        __m128i& next = m[(G + 1) % 4];
        next = _mm_add_epi32(next, _mm_alignr_epi8(m[G % 4], m[(G + 3) % 4], 4));
        next = _mm_sha256msg2_epu32(next, m[G % 4]);
    }
    words = _mm_shuffle_epi32(words, 0x0E);
    abef = _mm_sha256rnds2_epu32(abef, cdgh, words);
    if (G >= 1 && G <= 12) m[(G + 3) % 4] = _mm_sha256msg1_epu32(m[(G + 3) % 4], m[G % 4]);
}

template <int... G>
inline void Sha256Block(const uint8_t* block, __m128i& abef, __m128i& cdgh, __m128i (&m)[4],
                        std::integer_sequence<int, G...>) {
    (Sha256Group<G>(block, abef, cdgh, m), ...);
}

}  // namespace

void Sha1BlocksShaNi(uint32_t* state, const uint8_t* data, uint32_t count) {
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e[2] = {_mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0), _mm_setzero_si128()};
    __m128i m[4];
    for (const uint8_t* end = data + count; data != end; data += 64) {
        __m128i abcdSaved = abcd;
        __m128i eSaved = e[0];
        Sha1Block(data, abcd, e, m, std::make_integer_sequence<int, 20>());
        e[0] = _mm_sha1nexte_epu32(e[0], eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e[0], 3));
}

void Sha256BlocksShaNi(uint32_t* state, const uint8_t* data, uint32_t count) {
    // The rounds take the words as ABEF and CDGH.
    __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    __m128i hgfe = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(dcba, hgfe, 8);
    __m128i cdgh = _mm_blend_epi16(hgfe, dcba, 0xF0);
    __m128i m[4];
    for (const uint8_t* end = data + count; data != end; data += 64) {
        __m128i abefSaved = abef;
        __m128i cdghSaved = cdgh;
        Sha256Block(data, abef, cdgh, m, std::make_integer_sequence<int, 16>());
        abef = _mm_add_epi32(abef, abefSaved);
        cdgh = _mm_add_epi32(cdgh, cdghSaved);
    }
    __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}
