// Judging a join and tidying up after it: the size check of the survey, the
// verdict on a finished join, the joined file taking the output's name and
// the deletions. The closing handlers that report them, with their boxes,
// are the user interface's (ui/closing.h).
#ifndef SELVANORE_JOIN_COMPLETION_H
#define SELVANORE_JOIN_COMPLETION_H

#include <cstdint>
#include "hash/checksum_kinds.h"

#include "format/part_name.h"
#include "platform/platform.h"

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

// Gives the joined file the output's name, from its handle. Without agreed
// only where nothing holds the name; with agreed, replacing that very file
// and no other. A file in use or a refusal is tried again for a moment
// (antivirus programs hold new files briefly). On failure the joined file
// is as it was.
PlacementResult PublishOutput(const FileIdentity* agreed);
// Gives the joined file the name name, where nothing holds it.
PlacementResult PublishOutputAs(const char* name);
// Keeps the joined file for good under its temporary name.
PlacementResult KeepOutputAsTemporary();
// Closes the joined file; unless it was given a name for good it goes
// (never a file of the output's name, nor one that took its temporary
// name). Returns 0 when a file of the job's stays that should have gone.
int ReleaseOutput();

// A name of its own for the joined file beside the output: the output's
// name with " (n)" before its extension ("datos (2).bin"). Returns 0 when
// it does not fit.
int FormatOwnName(const char* output, uint32_t n, char (&name)[kNameCapacity]);

// Whether the output's folder has room for the join (the parts' total):
// false only when the system tells a smaller free space, given in *free.
bool RoomForOutput(uint64_t* free);

// Calls visit with each file an earlier join left in the output's folder
// ("~selvanore-<16 hex digits>.tmp": a run killed where the joined file
// could not be made to vanish with it), and its size.
void FindLeftovers(void (*visit)(void* context, const char* name, uint64_t size), void* context);

// Deletes part index, whose name it writes into name; returns 0 when the
// part cannot be deleted. A name that had to be cut names another file: it
// is never deleted.
int DeletePart(uint32_t index, char (&name)[kNameCapacity]);

#endif
