#include "hash/md5.h"

#include "hash/bytes.h"

#include <cstring>

#include "hash/accel.h"

CMd5::CMd5() : CHash(CHECKSUM_MD5, false) {}

void CMd5::Reset() {
    CHash::Reset();
    // Initial words A, B, C, D of RFC 1321, section 3.3.
    m_state[0] = 0x67452301;
    m_state[1] = 0xefcdab89;
    m_state[2] = 0x98badcfe;
    m_state[3] = 0x10325476;
}

// The steps of the four rounds of RFC 1321, section 3.4. The message word and
// the constant are added before the round function, whose result waits on
// the previous step; in the second round the part of G that does not
// involve b is added early too (its two terms have no bit in common).
#define MD5_F(a, b, c, d, k, s, t)      \
    a += x[k] + (t);                    \
    a += (d) ^ ((b) & ((c) ^ (d)));     \
    a = RotateLeft(a, s) + (b)
#define MD5_G(a, b, c, d, k, s, t)      \
    a += x[k] + (t) + ((c) & ~(d));     \
    a += (b) & (d);                     \
    a = RotateLeft(a, s) + (b)
#define MD5_H(a, b, c, d, k, s, t)      \
    a += x[k] + (t);                    \
    a += (b) ^ (c) ^ (d);               \
    a = RotateLeft(a, s) + (b)
#define MD5_I(a, b, c, d, k, s, t)      \
    a += x[k] + (t);                    \
    a += (c) ^ ((b) | ~(d));            \
    a = RotateLeft(a, s) + (b)

void CMd5::Transform(const uint8_t* data, uint32_t count) { Md5BlocksPortable(m_state, data, count); }

void Md5BlocksPortable(uint32_t* state, const uint8_t* data, uint32_t count) {
    uint32_t a0 = state[0], b0 = state[1], c0 = state[2], d0 = state[3];

    for (const uint8_t* end = data + count; data != end; data += CHash::kBlockSize) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i) x[i] = LoadLittle32(data + 4 * i);
        uint32_t a = a0, b = b0, c = c0, d = d0;

        // Round 1.
        MD5_F(a, b, c, d, 0, 7, 0xd76aa478);
        MD5_F(d, a, b, c, 1, 12, 0xe8c7b756);
        MD5_F(c, d, a, b, 2, 17, 0x242070db);
        MD5_F(b, c, d, a, 3, 22, 0xc1bdceee);
        MD5_F(a, b, c, d, 4, 7, 0xf57c0faf);
        MD5_F(d, a, b, c, 5, 12, 0x4787c62a);
        MD5_F(c, d, a, b, 6, 17, 0xa8304613);
        MD5_F(b, c, d, a, 7, 22, 0xfd469501);
        MD5_F(a, b, c, d, 8, 7, 0x698098d8);
        MD5_F(d, a, b, c, 9, 12, 0x8b44f7af);
        MD5_F(c, d, a, b, 10, 17, 0xffff5bb1);
        MD5_F(b, c, d, a, 11, 22, 0x895cd7be);
        MD5_F(a, b, c, d, 12, 7, 0x6b901122);
        MD5_F(d, a, b, c, 13, 12, 0xfd987193);
        MD5_F(c, d, a, b, 14, 17, 0xa679438e);
        MD5_F(b, c, d, a, 15, 22, 0x49b40821);

        // Round 2.
        MD5_G(a, b, c, d, 1, 5, 0xf61e2562);
        MD5_G(d, a, b, c, 6, 9, 0xc040b340);
        MD5_G(c, d, a, b, 11, 14, 0x265e5a51);
        MD5_G(b, c, d, a, 0, 20, 0xe9b6c7aa);
        MD5_G(a, b, c, d, 5, 5, 0xd62f105d);
        MD5_G(d, a, b, c, 10, 9, 0x02441453);
        MD5_G(c, d, a, b, 15, 14, 0xd8a1e681);
        MD5_G(b, c, d, a, 4, 20, 0xe7d3fbc8);
        MD5_G(a, b, c, d, 9, 5, 0x21e1cde6);
        MD5_G(d, a, b, c, 14, 9, 0xc33707d6);
        MD5_G(c, d, a, b, 3, 14, 0xf4d50d87);
        MD5_G(b, c, d, a, 8, 20, 0x455a14ed);
        MD5_G(a, b, c, d, 13, 5, 0xa9e3e905);
        MD5_G(d, a, b, c, 2, 9, 0xfcefa3f8);
        MD5_G(c, d, a, b, 7, 14, 0x676f02d9);
        MD5_G(b, c, d, a, 12, 20, 0x8d2a4c8a);

        // Round 3.
        MD5_H(a, b, c, d, 5, 4, 0xfffa3942);
        MD5_H(d, a, b, c, 8, 11, 0x8771f681);
        MD5_H(c, d, a, b, 11, 16, 0x6d9d6122);
        MD5_H(b, c, d, a, 14, 23, 0xfde5380c);
        MD5_H(a, b, c, d, 1, 4, 0xa4beea44);
        MD5_H(d, a, b, c, 4, 11, 0x4bdecfa9);
        MD5_H(c, d, a, b, 7, 16, 0xf6bb4b60);
        MD5_H(b, c, d, a, 10, 23, 0xbebfbc70);
        MD5_H(a, b, c, d, 13, 4, 0x289b7ec6);
        MD5_H(d, a, b, c, 0, 11, 0xeaa127fa);
        MD5_H(c, d, a, b, 3, 16, 0xd4ef3085);
        MD5_H(b, c, d, a, 6, 23, 0x04881d05);
        MD5_H(a, b, c, d, 9, 4, 0xd9d4d039);
        MD5_H(d, a, b, c, 12, 11, 0xe6db99e5);
        MD5_H(c, d, a, b, 15, 16, 0x1fa27cf8);
        MD5_H(b, c, d, a, 2, 23, 0xc4ac5665);

        // Round 4.
        MD5_I(a, b, c, d, 0, 6, 0xf4292244);
        MD5_I(d, a, b, c, 7, 10, 0x432aff97);
        MD5_I(c, d, a, b, 14, 15, 0xab9423a7);
        MD5_I(b, c, d, a, 5, 21, 0xfc93a039);
        MD5_I(a, b, c, d, 12, 6, 0x655b59c3);
        MD5_I(d, a, b, c, 3, 10, 0x8f0ccc92);
        MD5_I(c, d, a, b, 10, 15, 0xffeff47d);
        MD5_I(b, c, d, a, 1, 21, 0x85845dd1);
        MD5_I(a, b, c, d, 8, 6, 0x6fa87e4f);
        MD5_I(d, a, b, c, 15, 10, 0xfe2ce6e0);
        MD5_I(c, d, a, b, 6, 15, 0xa3014314);
        MD5_I(b, c, d, a, 13, 21, 0x4e0811a1);
        MD5_I(a, b, c, d, 4, 6, 0xf7537e82);
        MD5_I(d, a, b, c, 11, 10, 0xbd3af235);
        MD5_I(c, d, a, b, 2, 15, 0x2ad7d2bb);
        MD5_I(b, c, d, a, 9, 21, 0xeb86d391);

        a0 += a;
        b0 += b;
        c0 += c;
        d0 += d;
    }

    state[0] = a0;
    state[1] = b0;
    state[2] = c0;
    state[3] = d0;
}

void CMd5::UpdateLanes(CHash* const* engines, const uint8_t* const* data, uint32_t count, uint32_t length) {
    Md5LanesFunction lanes = Md5Lanes();
    const uint32_t whole = length - length % kBlockSize;
    uint32_t next = 0;
    // Eight at a time (a group of one is quicker on its own); an engine
    // holding part of a block takes its bytes through Update.
    while (lanes != nullptr && whole != 0 && count - next >= 2) {
        uint32_t members[kMd5Lanes];
        uint32_t* states[kMd5Lanes];
        const uint8_t* from[kMd5Lanes];
        uint32_t spare[kMd5Lanes][4] = {};
        uint32_t taken = 0;
        for (; next < count && taken < kMd5Lanes; ++next) {
            CMd5* engine = static_cast<CMd5*>(engines[next]);
            if (engine->m_blockFill != 0) {
                engine->Update(data[next], length);
                continue;
            }
            members[taken] = next;
            states[taken] = engine->m_state;
            from[taken++] = data[next];
        }
        if (taken == 0) break;
        // Lanes left over compute on spare states over the first lane's bytes.
        for (uint32_t lane = taken; lane < kMd5Lanes; ++lane) {
            states[lane] = spare[lane];
            from[lane] = from[0];
        }
        lanes(states, from, whole);
        for (uint32_t lane = 0; lane < taken; ++lane) {
            CMd5* engine = static_cast<CMd5*>(engines[members[lane]]);
            engine->m_byteCount += whole;
            engine->Update(data[members[lane]] + whole, length - whole);
        }
    }
    for (; next < count; ++next) engines[next]->Update(data[next], length);
}

void CMd5::CopyState(CHash* to, const CHash& from) {
    CMd5* target = static_cast<CMd5*>(to);
    const CMd5& source = static_cast<const CMd5&>(from);
    for (int w = 0; w < 4; ++w) target->m_state[w] = source.m_state[w];
    target->m_byteCount = source.m_byteCount;
    target->m_blockFill = source.m_blockFill;
    std::memcpy(target->m_block, source.m_block, sizeof target->m_block);
}
