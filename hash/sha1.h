// SHA-1 (FIPS 180).
#ifndef SELVANORE_HASH_SHA1_H
#define SELVANORE_HASH_SHA1_H

#include "hash/hash.h"

class CSha1 : public CHash {
public:
    CSha1();
    void Reset() override;

protected:
    void Transform(const uint8_t* data, uint32_t count) override;
};

#endif
