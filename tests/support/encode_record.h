// Builds the 722 bytes of a join record from its values, with the encoder
// the splitter stamps joiners with, so that tests name fields rather than
// offsets.
#ifndef SELVANORE_TESTS_SUPPORT_ENCODE_RECORD_H
#define SELVANORE_TESTS_SUPPORT_ENCODE_RECORD_H

#include <cstdint>
#include <cstring>
#include <string>

#include "format/record_layout.h"

// Returns 0, writing nothing, when the name or the checksum does not fit
// its field with a terminator.
inline int EncodeRecord(uint32_t kind, uint64_t size, uint32_t count, const std::string& name,
                        const std::string& checksum, uint8_t (&bytes)[kRecordSize]) {
    JoinRecord record;
    std::memset(&record, 0, sizeof record);
    if (name.size() >= sizeof record.outputName || checksum.size() >= sizeof record.checksumText) {
        return 0;
    }
    std::memcpy(record.checksumText, checksum.data(), checksum.size());
    record.checksumKind = kind;
    record.expectedSize = size;
    record.partCount = count;
    std::memcpy(record.outputName, name.data(), name.size());
    return EncodeRecord(record, bytes);
}

#endif
