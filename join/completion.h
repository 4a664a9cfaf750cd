// Judging a join and tidying up after it: the size check of the survey, the
// verdict on a finished join, the joined file taking the output's name and
// the deletions. The closing handlers that report them, with their boxes,
// are the user interface's (ui/closing.h).
#ifndef SELVANORE_JOIN_COMPLETION_H
#define SELVANORE_JOIN_COMPLETION_H

#include <cstdint>
#include "hash/checksum_kinds.h"

#include "join/part_name.h"

// The longest digest text of the engines (SHA-256), terminator included.
const uint32_t kDigestTextCapacity = kLongestDigestText + 1;

// Whether the parts' total size at start-up is the recorded size.
bool InputSizesMatch();

// The verdict on a finished join.
struct JoinVerdict {
    bool valid;
    // With a checksum: the engine's digest text, compared exactly with the
    // expected checksum. Without one, the sizes are the only proof: valid
    // only when the bytes written are the recorded size and every part gave
    // its surveyed size, and, with a checksum list, no part's own checksum
    // was wrong.
    char digest[kDigestTextCapacity];
};
JoinVerdict JudgeJoin();

// With a checksum list: whether part index's own checksum was wrong when it
// was joined. Always false without a list.
bool PartFailedItsCheck(uint32_t index);

// Gives the joined file (under its temporary name) the output's name, in
// one rename; replace: over a file that holds the name, otherwise only when
// the name is free. Returns 0, the file keeping its temporary name, on
// failure.
int PublishOutput(bool replace);
// Deletes the joined file under its temporary name (never a file of the
// output's name); returns 0 when it cannot be deleted.
int DeleteOutput();
// Deletes part index, whose name it writes into name; returns 0 when the
// part cannot be deleted. A name that had to be cut names another file: it
// is never deleted.
int DeletePart(uint32_t index, char (&name)[kNameCapacity]);

#endif
