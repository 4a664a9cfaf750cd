// What the splitter knows of the join record beyond its layout: the
// template the joiner is built with, and what a stamped record looks like.
#ifndef SELVANORE_RECORD_CLASSIFY_H
#define SELVANORE_RECORD_CLASSIFY_H

#include <cstdint>

// The layout, JoinRecord, EncodeRecord and DecodeRecord, shared with the
// joiner that reads the record.
#include "join/record_layout.h"

// What the bytes at a record's place hold.
enum class RecordKind {
    Template,      // the unstamped record the joiner is built with
    Stamped,       // a record this tool could have written
    Unrecognised,  // anything else
};

// Length of the digest text of a checksum kind (32, 40, 56 or 64), 0 for
// kind 0 and for unknown kinds.
uint32_t DigestTextLength(uint32_t kind);

// Tells the unstamped template from a plausible stamped record. A stamped
// record has a known kind with a digest text of that kind's length in lower-
// case hexadecimal (an empty field for kind 0), at least two parts, at least
// one byte per part, a non-empty name, and zeros after each text.
RecordKind ClassifyRecord(const uint8_t* bytes);

#endif
