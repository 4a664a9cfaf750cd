// A small program built with the joiner's own record embedding: it loads its
// record as the joiner does and prints the fields, so that the splitter's
// stamping can be checked in a real executable (ELF natively, PE32 under Wine).
#include <cstdio>

#include "hash/bytes.h"
#include "hash/hash.h"
#include "join/descriptor.h"
#include "join/join_state.h"

int main() {
    if (!LoadDescriptor()) {
        std::printf("LoadDescriptor failed\n");
        return 1;
    }
    const uint8_t* record = reinterpret_cast<const uint8_t*>(g_join.expectedChecksum);
    std::printf("kind=%u\n", LoadLittle32(record + kChecksumKindOffset));
    std::printf("size=%llu\n", static_cast<unsigned long long>(g_join.expectedSize));
    std::printf("count=%u\n", g_join.partCount);
    std::printf("name=%.626s\n", g_join.outputName);
    std::printf("checksum=%.80s\n", g_join.engine != nullptr ? g_join.expectedChecksum : "");
    std::printf("engine=%s\n", g_join.engine != nullptr ? g_join.engine->m_name : "none");
    delete g_join.engine;
    return 0;
}
