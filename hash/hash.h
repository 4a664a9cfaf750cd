// CHash: the common base of the message-digest engines.
//
// It buffers a stream of chunks of any sizes into whole 64-byte blocks for
// the engine's block function, applies the final padding with the 64-bit
// message length, and renders the finished digest as lower-case hexadecimal
// text. The engines add only their initial words and their block function.
#ifndef SELVANORE_HASH_HASH_H
#define SELVANORE_HASH_HASH_H

#include <cstdint>

#include "hash/checksum_kinds.h"

class CHash {
public:
    static const uint32_t kBlockSize = 64;

    // The engine of a checksum kind (1 to 4), its digest size and name from
    // the kinds' table. Obtains digestSize / 4 state words; when they cannot
    // be had the engine is left with m_state null, and CreateHashEngine
    // discards it.
    CHash(uint32_t kind, bool bigEndian);
    virtual ~CHash();

    CHash(const CHash&) = delete;
    CHash& operator=(const CHash&) = delete;

    // Starts a new message. Engines override it to load their initial words.
    virtual void Reset();
    // Completes the digest in the state words.
    virtual void Finish();

    // Absorbs length bytes; 0 is allowed and changes nothing.
    void Update(const void* data, uint32_t length);
    // Writes 2 * m_digestSize hexadecimal digits and a terminating zero.
    void GetDigestText(char* text) const;
    // False when the constructor could not obtain the state words.
    bool HasState() const { return m_state != nullptr; }

    // Digest length in bytes (16, 20, 28 or 32) and display name.
    int32_t m_digestSize;
    const char* m_name;

protected:
    // Absorbs the consecutive 64-byte blocks of data; count is a multiple of 64.
    virtual void Transform(const uint8_t* data, uint32_t count) = 0;

    uint32_t* m_state;      // the digest state, m_digestSize / 4 words
    uint64_t m_byteCount;   // bytes already transformed (Finish adds the rest)
    uint8_t m_block[128];   // input not yet transformed; two blocks for padding
    uint32_t m_blockFill;   // bytes held in m_block
    bool m_bigEndian;       // word byte order of the algorithm

private:
    void Pad();
};

// Writes the eight lower-case hexadecimal digits of word at text, most
// significant nibble first. Writes no terminator.
void WordToHex(char* text, uint32_t word);

// Creates the engine of a checksum kind from 1 to 4 (hash/engines.cpp).
// Returns null for any other kind and when the engine's memory cannot be
// had.
CHash* CreateHashEngine(uint32_t kind);

#endif
