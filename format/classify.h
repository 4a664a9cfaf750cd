// What the splitter knows of the join record beyond its layout: the
// template the joiner is built with, and what a stamped record looks like.
#ifndef SELVANORE_FORMAT_CLASSIFY_H
#define SELVANORE_FORMAT_CLASSIFY_H

#include <cstdint>

// The layout, JoinRecord, EncodeRecord and DecodeRecord, shared with the
// joiner that reads the record.
#include "format/record_layout.h"

// What the bytes at a record's place hold.
enum class RecordKind {
    Template,      // the unstamped record the joiner is built with
    Stamped,       // a record this tool could have written
    Unrecognised,  // anything else
};

// Tells the unstamped template from a plausible stamped record. A stamped
// record has a known kind with a digest text of that kind's length in lower-
// case hexadecimal (an empty field for kind 0), at least two parts, at least
// one byte per part, a non-empty name, and zeros after each text.
RecordKind ClassifyRecord(const uint8_t* bytes);

#endif
