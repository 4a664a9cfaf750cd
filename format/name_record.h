// The name record: the output name exactly, in UTF-8, stamped beside the
// join record (format/place.h) so that a name in any script reaches the
// joiner whole. The join record's Windows-1252 field then holds the name's
// stand-in (Utf8ToWindows1252StandIn: an underscore for each character the
// code page lacks), which readers that know only the join record take as
// the output name; for a name Windows-1252 can hold, the field holds the
// name itself, as ever.
//
// Layout, 520 bytes, little-endian:
//   0    4    the name's length in bytes; 0 in the template (no name)
//   4    516  the name in UTF-8, zero-filled after it (at most 515 bytes)
#ifndef SELVANORE_FORMAT_NAME_RECORD_H
#define SELVANORE_FORMAT_NAME_RECORD_H

#include <cstdint>
#include <string>

#include "format/place.h"
#include "format/record_layout.h"

const uint32_t kNameRecordSize = SELVANORE_NAME_RECORD_SIZE;
const uint32_t kNameLengthOffset = 0;
const uint32_t kNameTextOffset = 4;
const uint32_t kNameTextField = kNameRecordSize - kNameTextOffset;

// Writes the name record of the UTF-8 name. Returns 0, writing nothing, when
// the name is empty, holds a zero or does not fit the field with a zero
// after it.
int EncodeNameRecord(const std::string& utf8, uint8_t (&bytes)[kNameRecordSize]);

// The name a stamped name record holds, when it is one: a length that fits
// the field, valid UTF-8 without a zero. Returns 0 for the template and
// for anything else.
int DecodeNameRecord(const uint8_t* bytes, std::string* utf8);

// Whether a UTF-8 output name is a plain file name of the parts' folder: valid
// UTF-8, and IsPlainOutputName's rules with the C1 controls (U+0080 to
// U+009F) counted as controls.
int IsPlainExactName(const std::string& utf8);

// The output name of a set, in UTF-8, from the join record's 722 bytes and
// the name record's 520 (null when the joiner has none): the name record's
// name when it is stamped and its stand-in is the join record's name
// (a record stamped again by a tool that knows no name record keeps a stale
// name record, which must not win), else the join record's Windows-1252
// name converted. Returns 0 when the name taken is not a plain file name
// (IsPlainOutputName, IsPlainExactName).
int ExactOutputName(const uint8_t* record, const uint8_t* nameRecord, std::string* utf8);

#endif
