#include "hash/sha2.h"

#include "hash/accel.h"
#include "hash/bytes.h"

// The 64 round constants of FIPS 180, section 4.2.2.
alignas(16) const uint32_t kSha256RoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
    0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
    0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
    0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
    0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
    0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
    0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
    0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
    0xc67178f2,
};

namespace {

inline uint32_t Sigma0(uint32_t x) { return RotateRight(x, 2) ^ RotateRight(x, 13) ^ RotateRight(x, 22); }
inline uint32_t Sigma1(uint32_t x) { return RotateRight(x, 6) ^ RotateRight(x, 11) ^ RotateRight(x, 25); }
inline uint32_t Gamma0(uint32_t x) { return RotateRight(x, 7) ^ RotateRight(x, 18) ^ (x >> 3); }
inline uint32_t Gamma1(uint32_t x) { return RotateRight(x, 17) ^ RotateRight(x, 19) ^ (x >> 10); }
inline uint32_t Choose(uint32_t e, uint32_t f, uint32_t g) { return g ^ (e & (f ^ g)); }

}  // namespace

// One round with the roles of the eight words given by the argument order:
// d and h take their new values. The majority of a, b and c is computed as
// b ^ ((a ^ b) & (b ^ c)), where b ^ c is the previous round's a ^ b, kept in bc.
#define SHA256_ROUND(a, b, c, d, e, f, g, h, t)                                  \
    do {                                                                         \
        uint32_t t1 = h + Sigma1(e) + Choose(e, f, g) + kSha256RoundConstants[t] + w[t]; \
        uint32_t ab = a ^ b;                                                     \
        d += t1;                                                                 \
        h = t1 + Sigma0(a) + (b ^ (ab & bc));                                    \
        bc = ab;                                                                 \
    } while (0)

void CSha2::Compress(const uint8_t* data, uint32_t count, uint32_t* h0, uint32_t* h1,
                     uint32_t* h2, uint32_t* h3, uint32_t* h4, uint32_t* h5,
                     uint32_t* h6, uint32_t* h7) {
    uint32_t state[8] = {*h0, *h1, *h2, *h3, *h4, *h5, *h6, *h7};
    Sha256Blocks()(state, data, count);
    *h0 = state[0];
    *h1 = state[1];
    *h2 = state[2];
    *h3 = state[3];
    *h4 = state[4];
    *h5 = state[5];
    *h6 = state[6];
    *h7 = state[7];
}

void Sha256BlocksPortable(uint32_t* state, const uint8_t* data, uint32_t count) {
    uint32_t s0 = state[0], s1 = state[1], s2 = state[2], s3 = state[3], s4 = state[4],
             s5 = state[5], s6 = state[6], s7 = state[7];

    for (const uint8_t* end = data + count; data != end; data += 64) {
        uint32_t w[64];
        for (int t = 0; t < 16; ++t) w[t] = LoadBig32(data + 4 * t);
        // Message schedule, six words a pass.
#pragma GCC unroll 8
        for (int t = 16; t < 64; t += 6) {
            w[t] = Gamma1(w[t - 2]) + w[t - 7] + Gamma0(w[t - 15]) + w[t - 16];
            w[t + 1] = Gamma1(w[t - 1]) + w[t - 6] + Gamma0(w[t - 14]) + w[t - 15];
            w[t + 2] = Gamma1(w[t]) + w[t - 5] + Gamma0(w[t - 13]) + w[t - 14];
            w[t + 3] = Gamma1(w[t + 1]) + w[t - 4] + Gamma0(w[t - 12]) + w[t - 13];
            w[t + 4] = Gamma1(w[t + 2]) + w[t - 3] + Gamma0(w[t - 11]) + w[t - 12];
            w[t + 5] = Gamma1(w[t + 3]) + w[t - 2] + Gamma0(w[t - 10]) + w[t - 11];
        }

        uint32_t a = s0, b = s1, c = s2, d = s3, e = s4, f = s5, g = s6, h = s7;
        uint32_t bc = b ^ c;
        // Four rounds a pass; after four the roles have turned by half, so the
        // pass swaps the two halves back.
#pragma GCC unroll 16
        for (int t = 0; t < 64; t += 4) {
            SHA256_ROUND(a, b, c, d, e, f, g, h, t);
            SHA256_ROUND(h, a, b, c, d, e, f, g, t + 1);
            SHA256_ROUND(g, h, a, b, c, d, e, f, t + 2);
            SHA256_ROUND(f, g, h, a, b, c, d, e, t + 3);
            uint32_t x;
            x = a; a = e; e = x;
            x = b; b = f; f = x;
            x = c; c = g; g = x;
            x = d; d = h; h = x;
        }

        s0 += a;
        s1 += b;
        s2 += c;
        s3 += d;
        s4 += e;
        s5 += f;
        s6 += g;
        s7 += h;
    }

    state[0] = s0;
    state[1] = s1;
    state[2] = s2;
    state[3] = s3;
    state[4] = s4;
    state[5] = s5;
    state[6] = s6;
    state[7] = s7;
}

CSha224::CSha224() : CSha2(CHECKSUM_SHA224, true) {}

void CSha224::Reset() {
    CHash::Reset();
    // Initial hash value of FIPS 180, section 5.3.2.
    m_state[0] = 0xc1059ed8;
    m_state[1] = 0x367cd507;
    m_state[2] = 0x3070dd17;
    m_state[3] = 0xf70e5939;
    m_state[4] = 0xffc00b31;
    m_state[5] = 0x68581511;
    m_state[6] = 0x64f98fa7;
    m_lastState = 0xbefa4fa4;
}

void CSha224::Transform(const uint8_t* data, uint32_t count) {
    uint32_t* s = m_state;
    Compress(data, count, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &s[6], &m_lastState);
}

CSha256::CSha256() : CSha2(CHECKSUM_SHA256, true) {}

void CSha256::Reset() {
    CHash::Reset();
    // Initial hash value of FIPS 180, section 5.3.3.
    m_state[0] = 0x6a09e667;
    m_state[1] = 0xbb67ae85;
    m_state[2] = 0x3c6ef372;
    m_state[3] = 0xa54ff53a;
    m_state[4] = 0x510e527f;
    m_state[5] = 0x9b05688c;
    m_state[6] = 0x1f83d9ab;
    m_state[7] = 0x5be0cd19;
}

void CSha256::Transform(const uint8_t* data, uint32_t count) {
    uint32_t* s = m_state;
    Compress(data, count, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &s[6], &s[7]);
}
