#include "recovery/crc32.h"

#include "hash/bytes.h"

namespace {

struct CrcTables {
    uint32_t t[8][256];
};

// t[0] is the classic byte table; t[k][b] is the CRC state after byte b
// followed by k zero bytes, so eight bytes are folded in one step.
const CrcTables& Tables() {
    static const CrcTables tables = [] {
        CrcTables c;
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t r = b;
            for (int i = 0; i < 8; ++i) r = (r >> 1) ^ ((r & 1) != 0 ? 0xEDB88320u : 0);
            c.t[0][b] = r;
        }
        for (uint32_t b = 0; b < 256; ++b) {
            for (int k = 1; k < 8; ++k) {
                uint32_t prev = c.t[k - 1][b];
                c.t[k][b] = (prev >> 8) ^ c.t[0][prev & 0xFF];
            }
        }
        return c;
    }();
    return tables;
}

}  // namespace

namespace {

uint32_t TableState(uint32_t crc, const uint8_t* p, size_t size) {
    const CrcTables& c = Tables();
    while (size >= 8) {
        uint32_t low = crc ^ LoadLittle32(p);
        uint32_t high = LoadLittle32(p + 4);
        crc = c.t[7][low & 0xFF] ^ c.t[6][(low >> 8) & 0xFF] ^ c.t[5][(low >> 16) & 0xFF] ^ c.t[4][low >> 24] ^
              c.t[3][high & 0xFF] ^ c.t[2][(high >> 8) & 0xFF] ^ c.t[1][(high >> 16) & 0xFF] ^ c.t[0][high >> 24];
        p += 8;
        size -= 8;
    }
    while (size-- > 0) crc = (crc >> 8) ^ c.t[0][(crc ^ *p++) & 0xFF];
    return crc;
}

}  // namespace

uint32_t Crc32Portable(const void* data, size_t size, uint32_t previous) {
    return ~TableState(~previous, static_cast<const uint8_t*>(data), size);
}

uint32_t Crc32(const void* data, size_t size, uint32_t previous) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint32_t state = ~previous;
    Crc32FoldFunction fold = size >= 64 ? Crc32Fold() : nullptr;
    if (fold != nullptr) {
        size_t folded = size & ~static_cast<size_t>(15);
        state = fold(state, p, folded);
        p += folded;
        size -= folded;
    }
    return ~TableState(state, p, size);
}
