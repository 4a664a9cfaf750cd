// A stand-in for the Linux joiner: carries the record template in its
// section (format/place.h), as the joiner does, and prints the record it was
// stamped with in the descriptor probe's format.
#include <cstdint>
#include <cstdio>
#include <memory>

#include "hash/hash.h"
#include "format/classify.h"
#include "format/place.h"

asm(".pushsection " SELVANORE_RECORD_SECTION ",\"a\"\n"
    ".globl fixture_record\n"
    "fixture_record:\n"
    ".incbin \"" JOINDESC_FILE "\"\n"
    ".popsection\n");
extern "C" const uint8_t fixture_record[kRecordSize];

int main() {
    JoinRecord record;
    DecodeRecord(fixture_record, &record);
    if (FindChecksumKind(record.checksumKind) == nullptr) {
        std::puts("LoadDescriptor failed");
        return 1;
    }
    std::unique_ptr<CHash> engine(CreateHashEngine(record.checksumKind));
    std::printf("kind=%u\nsize=%llu\ncount=%u\nname=%s\nchecksum=%s\nengine=%s\n",
                record.checksumKind, static_cast<unsigned long long>(record.expectedSize),
                record.partCount, record.outputName,
                record.checksumKind == CHECKSUM_NONE ? "" : record.checksumText,
                engine ? engine->m_name : "none");
    return 0;
}
