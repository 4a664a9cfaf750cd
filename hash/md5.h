// MD5 (RFC 1321).
#ifndef SELVANORE_HASH_MD5_H
#define SELVANORE_HASH_MD5_H

#include "hash/hash.h"

class CMd5 : public CHash {
public:
    CMd5();
    void Reset() override;

protected:
    void Transform(const uint8_t* data, uint32_t count) override;
};

#endif
