#include "hash/hash.h"

#include <cstring>
#include <new>

CHash::CHash(uint32_t kind, bool bigEndian)
    : m_digestSize(static_cast<int32_t>(FindChecksumKind(kind)->digestSize)),
      m_name(FindChecksumKind(kind)->display),
      m_state(new (std::nothrow) uint32_t[FindChecksumKind(kind)->digestSize / 4]),
      m_bigEndian(bigEndian) {}

CHash::~CHash() { delete[] m_state; }

void CHash::Reset() {
    m_byteCount = 0;
    m_blockFill = 0;
}

void CHash::Update(const void* data, uint32_t length) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);

    // Small enough to buffer: even a buffer made exactly full waits for the
    // next call, so that Finish always has at least one block to pad.
    if (m_blockFill + length <= kBlockSize) {
        if (length != 0) std::memcpy(m_block + m_blockFill, bytes, length);
        m_blockFill += length;
        return;
    }

    // Complete the buffered block first.
    if (m_blockFill != 0) {
        uint32_t take = kBlockSize - m_blockFill;
        std::memcpy(m_block + m_blockFill, bytes, take);
        Transform(m_block, kBlockSize);
        m_byteCount += kBlockSize;
        m_blockFill = 0;
        bytes += take;
        length -= take;
        if (length <= kBlockSize) {
            std::memcpy(m_block, bytes, length);
            m_blockFill = length;
            return;
        }
    }

    // Whole blocks straight from the caller's buffer, the tail buffered.
    uint32_t tail = length % kBlockSize;
    uint32_t whole = length - tail;
    Transform(bytes, whole);
    m_byteCount += whole;
    std::memcpy(m_block, bytes + whole, tail);
    m_blockFill = tail;
}

void CHash::Pad() {
    m_block[m_blockFill] = 0x80;
    uint32_t lengthAt = m_blockFill <= 55 ? 56 : 120;
    std::memset(m_block + m_blockFill + 1, 0, lengthAt - m_blockFill - 1);

    uint64_t bits = m_byteCount * 8;
    for (int i = 0; i < 8; ++i) {
        int shift = m_bigEndian ? 56 - 8 * i : 8 * i;
        m_block[lengthAt + i] = static_cast<uint8_t>(bits >> shift);
    }
    m_blockFill = lengthAt + 8;
}

void CHash::Finish() {
    m_byteCount += m_blockFill;
    Pad();
    Transform(m_block, m_blockFill);
}

void WordToHex(char* text, uint32_t word) {
    for (int i = 0; i < 8; ++i) {
        uint32_t nibble = (word >> (28 - 4 * i)) & 0xF;
        text[i] = static_cast<char>(nibble < 10 ? 0x30 + nibble : 0x57 + nibble);
    }
}

void CHash::GetDigestText(char* text) const {
    int32_t words = m_digestSize / 4;
    for (int32_t i = 0; i < words; ++i) {
        uint32_t w = m_state[i];
        if (!m_bigEndian) {
            w = (w >> 24) | ((w >> 8) & 0xFF00) | ((w << 8) & 0xFF0000) | (w << 24);
        }
        WordToHex(text + 8 * i, w);
    }
    text[2 * m_digestSize] = '\0';
}
