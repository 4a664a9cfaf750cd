// MD5 (RFC 1321).
#ifndef SELVANORE_HASH_MD5_H
#define SELVANORE_HASH_MD5_H

#include "hash/hash.h"

class CMd5 : public CHash {
public:
    CMd5();
    void Reset() override;

    // Absorbs length bytes of data[i] into engines[i] (MD5 engines) for
    // count engines, as each one's Update would: the whole blocks of eight
    // at a time on the SIMD function where there is one (hash/accel.h).
    static void UpdateLanes(CHash* const* engines, const uint8_t* const* data, uint32_t count,
                            uint32_t length);
    // Gives the engine to (MD5) the state of from: a message that goes on in
    // two ways from there.
    static void CopyState(CHash* to, const CHash& from);

protected:
    void Transform(const uint8_t* data, uint32_t count) override;
};

#endif
