// The 722-byte join record that the splitter stamps into a copy of the
// joiner: what the joiner rebuilds, from how many parts, and the checksum it
// must find. Packed, little-endian, read by the joiner at fixed offsets.
#ifndef SELVANORE_TOOLS_SPLIT_RECORD_H
#define SELVANORE_TOOLS_SPLIT_RECORD_H

#include <cstdint>

// The layout, shared with the joiner that reads it.
#include "join/descriptor.h"

// The values of a record.
struct JoinRecord {
    char checksumText[kChecksumTextField];  // terminated; empty for kind 0
    uint32_t checksumKind;
    uint64_t expectedSize;
    uint32_t partCount;
    char outputName[kOutputNameField];  // Windows-1252, terminated
};

// What the bytes at a record's place hold.
enum class RecordKind {
    Template,      // the unstamped record the joiner is built with
    Stamped,       // a record this tool could have written
    Unrecognised,  // anything else
};

// Length of the digest text of a checksum kind (32, 40, 56 or 64), 0 for
// kind 0 and for unknown kinds.
uint32_t DigestTextLength(uint32_t kind);

// Writes record as its 722 bytes, zero-filling each text field after its
// terminator. Returns 0, writing nothing, when a text has no terminator
// within its field.
int EncodeRecord(const JoinRecord& record, uint8_t (&bytes)[kRecordSize]);

// Reads the fields of 722 bytes. Texts are copied up to their field's width
// and always terminated (an unterminated field is cut at its last byte).
void DecodeRecord(const uint8_t* bytes, JoinRecord* record);

// Tells the unstamped template from a plausible stamped record. A stamped
// record has a known kind with a digest text of that kind's length in lower-
// case hexadecimal (an empty field for kind 0), at least two parts, at least
// one byte per part, a non-empty name, and zeros after each text.
RecordKind ClassifyRecord(const uint8_t* bytes);

#endif
