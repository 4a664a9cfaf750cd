// JoinState: the one process-wide record of the join job, what the
// user-interface thread and the worker share: the record, the survey and the
// resources it prepared, the flags, the joined file and the latest progress.
// What is the dialog's own (its controls, the worker's handle, the clock) is
// ui/dialog_record.h's; what is the worker's own, its job in join/worker.cpp.
// Zero at start.
#ifndef SELVANORE_JOIN_JOIN_STATE_H
#define SELVANORE_JOIN_JOIN_STATE_H

#include <cstdint>

#include "hash/checksum_kinds.h"
#include "format/part_name.h"
#include "platform/platform.h"
#include "join/sink.h"

class CHash;
struct RecoveryData;

// One part's line of a checksum list beside the parts: its own SHA-256,
// checked as the part is joined, so that a damaged part can be named.
struct PartCheck {
    char digest[kLongestDigestText + 1];  // the list's text, terminated
    uint32_t unreadable;  // set by the survey: the part could not be measured
    uint32_t failed;      // set when the part ends: its SHA-256 is not the list's
};

struct JoinState {
    // From the stamped record.
    const char* expectedChecksum;
    const char* outputName;  // UTF-8, the exact name (join/descriptor.h)
    uint32_t partCount;
    uint64_t expectedSize;
    CHash* engine;  // owned; null when no checksum is asked for

    // From the survey of the parts.
    uint64_t inputTotal;
    uint64_t* partSizes;  // owned; each part's size, partCount entries (0 when unreadable)
    uint32_t unreadableCount;
    uint32_t bufferSize;
    uint8_t* transferBuffer;  // owned
    // A second buffer of bufferSize bytes, owned, or null: with a checksum,
    // the next block is read into one buffer while the helper thread
    // checksums the block in the other.
    uint8_t* spareBuffer;
    EventHandle pauseEvent;   // manual reset; the worker waits on it while paused
    ViewBrush reportBrush;    // white background of the report box

    // With a checksum list (UsePartChecksums, before PrepareJob): each part's
    // line, partCheckCount entries, owned, and the engine of the part being
    // joined, owned. Null without a list, as in the Windows program.
    PartCheck* partChecks;
    uint32_t partCheckCount;
    CHash* partEngine;

    // With recovery data beside the parts (join/rebuild.h, SurveyRecovery in
    // PrepareJob): the set, the parts' states and the rebuilt parts' scratch
    // files, owned. Null without it, and then nothing of the join changes.
    RecoveryData* recovery;

    // The running job. The two flags are written by the user-interface
    // thread and polled by the worker: access them with LoadFlag and
    // StoreFlag.
    uint32_t pauseRequested;
    uint32_t cancelRequested;
    // The worker writes the joined file new in the output's folder, under a
    // temporary name of its own, "~selvanore-<16 hex digits>.tmp" (or with
    // no name at all, platform.h), and leaves it open here: the closing
    // handler gives it the output's name from the handle, keeps it under a
    // name of its own, or lets it go. Null when there is none.
    FileHandle joinedFile;
    char tempName[kNameCapacity];
    // The file the user agreed to replace, at Comenzar or at the end: the
    // joined file replaces that very file and no other that took its name.
    uint32_t replaceAgreed;
    FileIdentity agreedOutput;
    // Set by the worker when the bytes it joined from a part differ from
    // the part's surveyed size: 1 + the first such part's index (0: none),
    // and the bytes joined from it.
    uint32_t changedPart;
    uint64_t changedPartSize;
    // The worker's message now being sent, 0 for none: the dialog handles a
    // worker's message only as the one sent (SendJobMessage, TakeJobMessage).
    uint32_t messageInFlight;

    // Progress of the latest notification, written by the worker just before
    // it sends it.
    uint32_t progressPart;
    uint64_t progressDone;
    uint32_t progressPartPercent;
    uint32_t progressPercent;
    // Whether the latest progress is a rebuild's (progressDone of
    // progressTotal bytes, progressPart the first part rebuilt) rather than
    // the join's.
    uint32_t progressRebuilding;
    uint64_t progressTotal;
};

inline uint32_t LoadFlag(const uint32_t& flag) { return __atomic_load_n(&flag, __ATOMIC_SEQ_CST); }
inline void StoreFlag(uint32_t& flag, uint32_t value) { __atomic_store_n(&flag, value, __ATOMIC_SEQ_CST); }

extern JoinState g_join;

// The name of the job's part index: FormatPartName of the record's output
// name and part count. Returns 0 when the name had to be cut.
int PartName(uint32_t index, char (&name)[kNameCapacity]);

#endif
