// MD5 of eight messages side by side with AVX-512's instructions on 256-bit
// registers (AVX-512VL): each round function is one three-input logic
// instruction and each rotation one instruction, which shortens the chain of
// every step that MD5's speed depends on. Only this file is built with
// -mavx512f -mavx512vl; hash/accel_x86.cpp runs it only where CPUID reports
// both and the system saves the AVX-512 state, and after a self-test.
#include "hash/accel.h"
#include "hash/md5_lanes_body.h"

namespace {

// The logic instruction's table: bit (b << 2 | c << 1 | d) of the constant
// is the function's value for those bits.
struct Avx512Ops {
    // d ^ (b & (c ^ d))
    static __m256i F(__m256i b, __m256i c, __m256i d) { return _mm256_ternarylogic_epi32(b, c, d, 0xca); }
    // (b & d) | (c & ~d)
    static __m256i G(__m256i b, __m256i c, __m256i d) { return _mm256_ternarylogic_epi32(b, c, d, 0xe4); }
    // b ^ c ^ d
    static __m256i H(__m256i b, __m256i c, __m256i d) { return _mm256_ternarylogic_epi32(b, c, d, 0x96); }
    // c ^ (b | ~d)
    static __m256i I(__m256i b, __m256i c, __m256i d) { return _mm256_ternarylogic_epi32(b, c, d, 0x39); }
    template <int s>
    static __m256i Rotate(__m256i v) {
        return _mm256_rol_epi32(v, s);
    }
};

}  // namespace

void Md5BlocksLanesAvx512(uint32_t* const* states, const uint8_t* const* data, uint32_t count) {
    Md5LanesBody<Avx512Ops>(states, data, count);
}
