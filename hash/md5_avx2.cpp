// MD5 of eight messages side by side on AVX2: the multi-buffer form for
// files hashed at the same time, as the recovery data's parts are. Only this
// file is built with -mavx2; hash/accel_x86.cpp runs it only where CPUID
// reports AVX2 and the system saves its registers, and after a self-test.
#include "hash/accel.h"
#include "hash/md5_lanes_body.h"

namespace {

struct Avx2Ops {
    // F = d ^ (b & (c ^ d)), G = (b & d) | (c & ~d), H = b ^ c ^ d,
    // I = c ^ (b | ~d).
    static __m256i F(__m256i b, __m256i c, __m256i d) {
        return _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)));
    }
    static __m256i G(__m256i b, __m256i c, __m256i d) {
        return _mm256_or_si256(_mm256_and_si256(b, d), _mm256_andnot_si256(d, c));
    }
    static __m256i H(__m256i b, __m256i c, __m256i d) { return _mm256_xor_si256(_mm256_xor_si256(b, c), d); }
    static __m256i I(__m256i b, __m256i c, __m256i d) {
        return _mm256_xor_si256(c, _mm256_or_si256(b, _mm256_xor_si256(d, _mm256_set1_epi32(-1))));
    }
    template <int s>
    static __m256i Rotate(__m256i v) {
        return _mm256_or_si256(_mm256_slli_epi32(v, s), _mm256_srli_epi32(v, 32 - s));
    }
};

}  // namespace

void Md5BlocksLanesAvx2(uint32_t* const* states, const uint8_t* const* data, uint32_t count) {
    Md5LanesBody<Avx2Ops>(states, data, count);
}
