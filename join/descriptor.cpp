#include "join/descriptor.h"

#include <cstring>

#include "hash/hash.h"
#include "join/join_state.h"
#include "platform/platform.h"

namespace {

uint64_t ReadLittle(const uint8_t* p, int width) {
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

}  // namespace

int LoadDescriptor() {
    const uint8_t* record = GetOwnRecord();
    if (record == nullptr) return 0;

    uint32_t kind = static_cast<uint32_t>(ReadLittle(record + kChecksumKindOffset, 4));
    g_join.expectedChecksum = reinterpret_cast<const char*>(record + kChecksumTextOffset);
    g_join.expectedSize = ReadLittle(record + kExpectedSizeOffset, 8);
    g_join.partCount = static_cast<uint32_t>(ReadLittle(record + kPartCountOffset, 4));
    g_join.outputName = reinterpret_cast<const char*>(record + kOutputNameOffset);
    g_join.engine = nullptr;

    // The name is read as text, and nothing follows its field: a record that
    // names parts must terminate it inside the field. (The unstamped template
    // has no terminator, but names no parts, so its name is never read.)
    if (g_join.partCount >= 2 &&
        std::memchr(record + kOutputNameOffset, '\0', kOutputNameField) == nullptr) {
        return 0;
    }

    if (kind == CHECKSUM_NONE) return 1;
    if (kind > CHECKSUM_SHA256) return 0;
    g_join.engine = CreateHashEngine(kind);
    return g_join.engine != nullptr;
}
