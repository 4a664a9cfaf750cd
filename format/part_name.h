// The names of the parts of a set, shared by the joiner, which opens them,
// and the splitter, which makes them.
#ifndef SELVANORE_FORMAT_PART_NAME_H
#define SELVANORE_FORMAT_PART_NAME_H

#include <cstdint>
#include <cstdio>

#include "format/record_layout.h"

// Capacity of part names and report lines, terminator included.
const uint32_t kNameCapacity = 520;

// Capacity of a part name's suffix: two underscores, at most ten digits and
// the terminator.
const uint32_t kSuffixCapacity = 13;

// Writes what follows the output name in the name of part index of a set of
// count parts: two underscores and the index zero-padded to 3 digits, or to
// 4 digits when the set has more than 1000 parts (larger indices in full).
inline void FormatPartSuffix(uint32_t count, uint32_t index, char (&suffix)[kSuffixCapacity]) {
    std::snprintf(suffix, kSuffixCapacity, count > 1000 ? "__%04u" : "__%03u", index);
}

// Writes the name of part index of a set of count parts into name: the
// output name (at most the record's 626-byte field of it) and the part's
// suffix (FormatPartSuffix). Returns 0 when the name had to be cut to fit, or when
// there is no output name: such a name is another file and must never be
// opened or deleted.
inline int FormatPartName(const char* outputName, uint32_t count, uint32_t index,
                          char (&name)[kNameCapacity]) {
    name[0] = '\0';
    if (outputName == nullptr) return 0;
    char suffix[kSuffixCapacity];
    FormatPartSuffix(count, index, suffix);
    int needed = std::snprintf(name, kNameCapacity, "%.*s%s", static_cast<int>(kOutputNameField),
                               outputName, suffix);
    if (needed < 0) {
        name[0] = '\0';
        return 0;
    }
    return static_cast<uint32_t>(needed) < kNameCapacity;
}

#endif
