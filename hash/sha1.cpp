#include "hash/sha1.h"

#include "hash/accel.h"
#include "hash/bytes.h"

namespace {

// The round constant of each of the 80 rounds (FIPS 180, section 4.2.1):
// each of the four constants stands for its 20 rounds.
#define K4(k) k, k, k, k
#define K20(k) K4(k), K4(k), K4(k), K4(k), K4(k)
const uint32_t kRoundConstant[80] = {
    K20(0x5a827999), K20(0x6ed9eba1), K20(0x8f1bbcdc), K20(0xca62c1d6),
};
#undef K20
#undef K4

inline uint32_t Choose(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
inline uint32_t Parity(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
inline uint32_t Majority(uint32_t b, uint32_t c, uint32_t d) { return (b & c) | (d & (b | c)); }

}  // namespace

CSha1::CSha1() : CHash(CHECKSUM_SHA1, true) {}

void CSha1::Reset() {
    CHash::Reset();
    // Initial hash value of FIPS 180, section 5.3.1.
    m_state[0] = 0x67452301;
    m_state[1] = 0xefcdab89;
    m_state[2] = 0x98badcfe;
    m_state[3] = 0x10325476;
    m_state[4] = 0xc3d2e1f0;
}

// One round: e takes the new value and b is rotated; the caller rotates the
// roles of the five words by passing them in a new order each round.
#define SHA1_ROUND(f, a, b, c, d, e, t)                            \
    e += RotateLeft(a, 5) + f(b, c, d) + w[t] + kRoundConstant[t]; \
    b = RotateLeft(b, 30)

#define SHA1_FIVE(f, t)                   \
    SHA1_ROUND(f, a, b, c, d, e, (t));     \
    SHA1_ROUND(f, e, a, b, c, d, (t) + 1); \
    SHA1_ROUND(f, d, e, a, b, c, (t) + 2); \
    SHA1_ROUND(f, c, d, e, a, b, (t) + 3); \
    SHA1_ROUND(f, b, c, d, e, a, (t) + 4)

void CSha1::Transform(const uint8_t* data, uint32_t count) { Sha1Blocks()(m_state, data, count); }

void Sha1BlocksPortable(uint32_t* state, const uint8_t* data, uint32_t count) {
    uint32_t h0 = state[0], h1 = state[1], h2 = state[2], h3 = state[3], h4 = state[4];

    for (const uint8_t* end = data + count; data != end; data += 64) {
        uint32_t w[80];
        for (int t = 0; t < 16; ++t) w[t] = LoadBig32(data + 4 * t);
        // Message schedule, four words a pass.
        for (int t = 16; t < 80; t += 4) {
            w[t] = RotateLeft(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
            w[t + 1] = RotateLeft(w[t - 2] ^ w[t - 7] ^ w[t - 13] ^ w[t - 15], 1);
            w[t + 2] = RotateLeft(w[t - 1] ^ w[t - 6] ^ w[t - 12] ^ w[t - 14], 1);
            w[t + 3] = RotateLeft(w[t] ^ w[t - 5] ^ w[t - 11] ^ w[t - 13], 1);
        }

        uint32_t a = h0, b = h1, c = h2, d = h3, e = h4;
        // Five rounds a pass; after five the words are back in their roles.
        for (int t = 0; t < 20; t += 5) { SHA1_FIVE(Choose, t); }
        for (int t = 20; t < 40; t += 5) { SHA1_FIVE(Parity, t); }
        for (int t = 40; t < 60; t += 5) { SHA1_FIVE(Majority, t); }
        for (int t = 60; t < 80; t += 5) { SHA1_FIVE(Parity, t); }

        h0 += a;
        h1 += b;
        h2 += c;
        h3 += d;
        h4 += e;
    }

    state[0] = h0;
    state[1] = h1;
    state[2] = h2;
    state[3] = h3;
    state[4] = h4;
}
