// A small program built with the joiner's own record embedding: it loads its
// record as the joiner does and prints the fields, so that the splitter's
// stamping can be checked in a real executable (ELF natively, PE32 under Wine).
#include <cstdio>

#include "hash/hash.h"
#include "join/descriptor.h"
#include "join/join_state.h"
#include "platform/platform.h"

int main() {
    if (!LoadDescriptor()) {
        std::printf("LoadDescriptor failed\n");
        return 1;
    }
    JoinRecord record;
    DecodeRecord(GetOwnRecord(), &record);
    std::printf("kind=%u\n", record.checksumKind);
    std::printf("size=%llu\n", static_cast<unsigned long long>(record.expectedSize));
    std::printf("count=%u\n", record.partCount);
    std::printf("name=%s\n", record.outputName);
    std::printf("checksum=%s\n", g_join.engine != nullptr ? record.checksumText : "");
    std::printf("engine=%s\n", g_join.engine != nullptr ? g_join.engine->m_name : "none");
    delete g_join.engine;
    return 0;
}
