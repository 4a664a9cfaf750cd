// The engine of each checksum kind: the one place that knows every engine's
// class.
#include <new>

#include "hash/hash.h"
#include "hash/md5.h"
#include "hash/sha1.h"
#include "hash/sha2.h"

CHash* CreateHashEngine(uint32_t kind) {
    CHash* engine = nullptr;
    switch (kind) {
        case CHECKSUM_MD5: engine = new (std::nothrow) CMd5; break;
        case CHECKSUM_SHA1: engine = new (std::nothrow) CSha1; break;
        case CHECKSUM_SHA224: engine = new (std::nothrow) CSha224; break;
        case CHECKSUM_SHA256: engine = new (std::nothrow) CSha256; break;
        default: return nullptr;
    }
    if (engine != nullptr && !engine->HasState()) {
        delete engine;
        engine = nullptr;
    }
    return engine;
}
