// Builds the 722 bytes of a join record from its values, with the encoder
// the splitter stamps joiners with, so that tests name fields rather than
// offsets.
#ifndef SELVANORE_TESTS_SUPPORT_ENCODE_RECORD_H
#define SELVANORE_TESTS_SUPPORT_ENCODE_RECORD_H

#include <cstdint>
#include <cstring>
#include <string>

#include "format/record_layout.h"
#include "text/cp1252.h"

// The name is written as the splitter writes it: a UTF-8 name in its
// Windows-1252 form, or its stand-in (the name record then carries the
// exact name: EncodeNameRecord); a name that is not UTF-8 as its bytes, for
// the tests of fields written by hand. Returns 0, writing nothing, when the
// name or the checksum does not fit its field with a terminator.
inline int EncodeRecord(uint32_t kind, uint64_t size, uint32_t count, const std::string& utf8,
                        const std::string& checksum, uint8_t (&bytes)[kRecordSize]) {
    JoinRecord record;
    std::memset(&record, 0, sizeof record);
    std::string name;
    if (!Utf8ToWindows1252StandIn(utf8, &name)) name = utf8;
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
