// The body of MD5 on eight messages side by side (RFC 1321's steps on
// eight 32-bit lanes of 256-bit registers), shared by the kernels built for
// AVX2 (hash/md5_avx2.cpp) and for AVX-512 (hash/md5_avx512.cpp): each
// includes it with its own Ops, the four round functions and the rotation.
// Everything here has internal linkage, so that each file keeps the code
// built for its own instructions: a shared inline function could be taken
// from the wider build by a processor without them.
#ifndef SELVANORE_HASH_MD5_LANES_BODY_H
#define SELVANORE_HASH_MD5_LANES_BODY_H

#include <immintrin.h>

#include <cstdint>

namespace {

// Words 8 * half to 8 * half + 7 of the block at offset at of each of the
// eight messages, as eight vectors of one word each: eight loads and a
// transpose of the 8 x 8 words rather than a word-by-word gather.
inline void LoadWords(const uint8_t* const* data, uint32_t at, int half, __m256i* x) {
    __m256i r[8];
    for (int lane = 0; lane < 8; ++lane) {
        r[lane] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data[lane] + at + 32 * half));
    }
    // Pairs of lanes interleaved by words, then by pairs of words: each
    // 128-bit half then holds one word of four lanes.
    __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]), t1 = _mm256_unpackhi_epi32(r[0], r[1]);
    __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]), t3 = _mm256_unpackhi_epi32(r[2], r[3]);
    __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]), t5 = _mm256_unpackhi_epi32(r[4], r[5]);
    __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]), t7 = _mm256_unpackhi_epi32(r[6], r[7]);
    __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
    __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
    __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
    __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
    x[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    x[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    x[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    x[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    x[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    x[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    x[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    x[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

inline __m256i Add(__m256i a, __m256i b) { return _mm256_add_epi32(a, b); }

inline __m256i Constant(uint32_t t) { return _mm256_set1_epi32(static_cast<int>(t)); }

// a = b + ((a + f(b, c, d) + x[k] + t) <<< s), f one of the four functions.
#define LANE_STEP(f, a, b, c, d, k, s, t) \
    a = Add(b, Ops::template Rotate<s>(Add(Add(a, Ops::f(b, c, d)), Add(x[k], Constant(t)))))
#define LANE_F(a, b, c, d, k, s, t) LANE_STEP(F, a, b, c, d, k, s, t)
#define LANE_G(a, b, c, d, k, s, t) LANE_STEP(G, a, b, c, d, k, s, t)
#define LANE_H(a, b, c, d, k, s, t) LANE_STEP(H, a, b, c, d, k, s, t)
#define LANE_I(a, b, c, d, k, s, t) LANE_STEP(I, a, b, c, d, k, s, t)

template <class Ops>
void Md5LanesBody(uint32_t* const* states, const uint8_t* const* data, uint32_t count) {
    __m256i v[4];
    for (int w = 0; w < 4; ++w) {
        v[w] = _mm256_setr_epi32(
            static_cast<int>(states[0][w]), static_cast<int>(states[1][w]), static_cast<int>(states[2][w]),
            static_cast<int>(states[3][w]), static_cast<int>(states[4][w]), static_cast<int>(states[5][w]),
            static_cast<int>(states[6][w]), static_cast<int>(states[7][w]));
    }
    for (uint32_t at = 0; at < count; at += 64) {
        __m256i x[16];
        LoadWords(data, at, 0, x);
        LoadWords(data, at, 1, x + 8);
        __m256i a = v[0], b = v[1], c = v[2], d = v[3];
        LANE_F(a, b, c, d, 0, 7, 0xd76aa478);
        LANE_F(d, a, b, c, 1, 12, 0xe8c7b756);
        LANE_F(c, d, a, b, 2, 17, 0x242070db);
        LANE_F(b, c, d, a, 3, 22, 0xc1bdceee);
        LANE_F(a, b, c, d, 4, 7, 0xf57c0faf);
        LANE_F(d, a, b, c, 5, 12, 0x4787c62a);
        LANE_F(c, d, a, b, 6, 17, 0xa8304613);
        LANE_F(b, c, d, a, 7, 22, 0xfd469501);
        LANE_F(a, b, c, d, 8, 7, 0x698098d8);
        LANE_F(d, a, b, c, 9, 12, 0x8b44f7af);
        LANE_F(c, d, a, b, 10, 17, 0xffff5bb1);
        LANE_F(b, c, d, a, 11, 22, 0x895cd7be);
        LANE_F(a, b, c, d, 12, 7, 0x6b901122);
        LANE_F(d, a, b, c, 13, 12, 0xfd987193);
        LANE_F(c, d, a, b, 14, 17, 0xa679438e);
        LANE_F(b, c, d, a, 15, 22, 0x49b40821);
        LANE_G(a, b, c, d, 1, 5, 0xf61e2562);
        LANE_G(d, a, b, c, 6, 9, 0xc040b340);
        LANE_G(c, d, a, b, 11, 14, 0x265e5a51);
        LANE_G(b, c, d, a, 0, 20, 0xe9b6c7aa);
        LANE_G(a, b, c, d, 5, 5, 0xd62f105d);
        LANE_G(d, a, b, c, 10, 9, 0x02441453);
        LANE_G(c, d, a, b, 15, 14, 0xd8a1e681);
        LANE_G(b, c, d, a, 4, 20, 0xe7d3fbc8);
        LANE_G(a, b, c, d, 9, 5, 0x21e1cde6);
        LANE_G(d, a, b, c, 14, 9, 0xc33707d6);
        LANE_G(c, d, a, b, 3, 14, 0xf4d50d87);
        LANE_G(b, c, d, a, 8, 20, 0x455a14ed);
        LANE_G(a, b, c, d, 13, 5, 0xa9e3e905);
        LANE_G(d, a, b, c, 2, 9, 0xfcefa3f8);
        LANE_G(c, d, a, b, 7, 14, 0x676f02d9);
        LANE_G(b, c, d, a, 12, 20, 0x8d2a4c8a);
        LANE_H(a, b, c, d, 5, 4, 0xfffa3942);
        LANE_H(d, a, b, c, 8, 11, 0x8771f681);
        LANE_H(c, d, a, b, 11, 16, 0x6d9d6122);
        LANE_H(b, c, d, a, 14, 23, 0xfde5380c);
        LANE_H(a, b, c, d, 1, 4, 0xa4beea44);
        LANE_H(d, a, b, c, 4, 11, 0x4bdecfa9);
        LANE_H(c, d, a, b, 7, 16, 0xf6bb4b60);
        LANE_H(b, c, d, a, 10, 23, 0xbebfbc70);
        LANE_H(a, b, c, d, 13, 4, 0x289b7ec6);
        LANE_H(d, a, b, c, 0, 11, 0xeaa127fa);
        LANE_H(c, d, a, b, 3, 16, 0xd4ef3085);
        LANE_H(b, c, d, a, 6, 23, 0x04881d05);
        LANE_H(a, b, c, d, 9, 4, 0xd9d4d039);
        LANE_H(d, a, b, c, 12, 11, 0xe6db99e5);
        LANE_H(c, d, a, b, 15, 16, 0x1fa27cf8);
        LANE_H(b, c, d, a, 2, 23, 0xc4ac5665);
        LANE_I(a, b, c, d, 0, 6, 0xf4292244);
        LANE_I(d, a, b, c, 7, 10, 0x432aff97);
        LANE_I(c, d, a, b, 14, 15, 0xab9423a7);
        LANE_I(b, c, d, a, 5, 21, 0xfc93a039);
        LANE_I(a, b, c, d, 12, 6, 0x655b59c3);
        LANE_I(d, a, b, c, 3, 10, 0x8f0ccc92);
        LANE_I(c, d, a, b, 10, 15, 0xffeff47d);
        LANE_I(b, c, d, a, 1, 21, 0x85845dd1);
        LANE_I(a, b, c, d, 8, 6, 0x6fa87e4f);
        LANE_I(d, a, b, c, 15, 10, 0xfe2ce6e0);
        LANE_I(c, d, a, b, 6, 15, 0xa3014314);
        LANE_I(b, c, d, a, 13, 21, 0x4e0811a1);
        LANE_I(a, b, c, d, 4, 6, 0xf7537e82);
        LANE_I(d, a, b, c, 11, 10, 0xbd3af235);
        LANE_I(c, d, a, b, 2, 15, 0x2ad7d2bb);
        LANE_I(b, c, d, a, 9, 21, 0xeb86d391);
        v[0] = Add(v[0], a);
        v[1] = Add(v[1], b);
        v[2] = Add(v[2], c);
        v[3] = Add(v[3], d);
    }
    alignas(32) uint32_t words[4][8];
    for (int w = 0; w < 4; ++w) _mm256_store_si256(reinterpret_cast<__m256i*>(words[w]), v[w]);
    for (int lane = 0; lane < 8; ++lane) {
        for (int w = 0; w < 4; ++w) states[lane][w] = words[w][lane];
    }
}

#undef LANE_STEP
#undef LANE_F
#undef LANE_G
#undef LANE_H
#undef LANE_I

}  // namespace

#endif
