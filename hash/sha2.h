// SHA-224 and SHA-256 (FIPS 180), sharing the SHA-256 compression.
#ifndef SELVANORE_HASH_SHA2_H
#define SELVANORE_HASH_SHA2_H

#include "hash/hash.h"

class CSha2 : public CHash {
public:
    // Runs the SHA-256 compression on each 64-byte block of data and adds
    // the result into the eight working words h0 to h7.
    static void Compress(const uint8_t* data, uint32_t count, uint32_t* h0, uint32_t* h1,
                         uint32_t* h2, uint32_t* h3, uint32_t* h4, uint32_t* h5,
                         uint32_t* h6, uint32_t* h7);

protected:
    using CHash::CHash;
};

class CSha224 : public CSha2 {
public:
    CSha224();
    void Reset() override;

protected:
    void Transform(const uint8_t* data, uint32_t count) override;

private:
    // The eighth working word: it takes part in every compression but is not
    // part of the 28-byte digest, so the state array holds only seven words.
    uint32_t m_lastState = 0;
};

class CSha256 : public CSha2 {
public:
    CSha256();
    void Reset() override;

protected:
    void Transform(const uint8_t* data, uint32_t count) override;
};

#endif
