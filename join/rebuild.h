// Recovery data beside the parts: the PAR 2.0 index NAME.par2 and its
// recovery files NAME.volA+B.par2, read at start-up (SurveyRecovery), the
// parts' slice checksums checked as they are joined, and the rebuild of
// missing or damaged parts into scratch files that vanish with the process,
// block by block across the parts. The parts and the recovery files are
// only ever read.
#ifndef SELVANORE_JOIN_REBUILD_H
#define SELVANORE_JOIN_REBUILD_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "platform/platform.h"
#include "recovery/par2_packets.h"
#include "recovery/par2_reader.h"

// What is known of a part.
enum class PartState : uint8_t {
    Sound,    // present, and no check of it has failed
    Missing,  // cannot be read at start-up
    Damaged,  // its size or a slice checksum (or its checksum list line) is wrong
    Rebuilt,  // rebuilt into its scratch file, whose checksums are right
};

// The check of a part's slices as its blocks pass, in order: the CRC-32 of
// each slice (the last one padded with zeros to the slice size).
struct SliceCheck {
    uint32_t part;
    uint64_t slice;  // the slice being taken
    uint64_t fill;   // its bytes taken
    uint32_t crc;
    bool failed;
};

struct RecoveryData {
    Par2Set set;
    std::vector<Par2RecoverySlice> slices;  // usable ones, one for each exponent
    std::vector<std::string> files;          // the recovery files scanned, by source number
    std::vector<uint32_t> fileOfPart;        // part i's position in set.files
    std::vector<PartState> states;           // by part
    std::vector<FileHandle> scratch;         // by part: the rebuilt copy, or null
    std::vector<uint8_t> verified;           // by part: its slices' CRC-32s were right in
                                             // a rebuild's pass: not checked again
    SliceCheck check;                        // the helper's (or the worker's)
};

// Reads the recovery files beside the parts when there are any: the index
// first, then the others by name. The set must be the parts, each of its
// files one part of the same name; otherwise, or without recovery files,
// g_join.recovery stays null and nothing changes. A part that cannot be read
// is Missing, one whose size is not the set's Damaged; when the recovery
// slices are enough, each such part counts with the set's size in the
// survey's total. Returns 0 only when memory cannot be had.
int SurveyRecovery();
void ReleaseRecovery();

// The parts Missing or Damaged, and the input slices they hold.
uint32_t PartsToRebuild();
uint64_t SlicesToRebuild();
// The recovery slices present.
uint32_t RecoverySlicesPresent();
// Whether the recovery slices present can rebuild every part to rebuild.
bool CanRebuild();

// The slice check of a part's blocks, passed in order (the helper's task):
// Begin at the part's start, Update with each block, Finish at its end. A
// rebuilt part is not checked again.
void BeginPartCheck(uint32_t part);
void UpdatePartCheck(const uint8_t* data, uint32_t size);
void FinishPartCheck();

// What the rebuild needs of the worker: its progress, pause and cancel.
struct RebuildHooks {
    void* context;
    // done of total bytes (read from the parts and written to the rebuilt).
    void (*progress)(void* context, uint64_t done, uint64_t total);
    // A pause point and a cancel point: returns 1 when the job is cancelled.
    int (*stop)(void* context);
    // A pass starts again, with a part found damaged in the last one.
    void (*again)(void* context);
    // Runs task(parameter) beside the rebuild (on the helper thread, or at
    // once), one at a time; await returns once the last one has.
    void (*startTask)(void* context, void (*task)(void* parameter), void* parameter);
    void (*awaitTask)(void* context);
};

enum class RebuildEnd {
    Rebuilt,
    Cancelled,
    TooFew,      // fewer recovery slices than slices to rebuild
    NoMemory,
    ReadFailed,  // a part or a recovery file: *failedName says which
    ScratchFailed,
    Unsound,     // a rebuilt part fails its checksums: *failedName says which
};

// Rebuilds every Missing or Damaged part into a scratch file in the
// output's folder, through the buffer (at least 64 KiB), block by block:
// the recovery slices' block, the same block of every present part (its
// slice checksums checked on the way: a part found damaged joins the parts
// to rebuild, and the pass starts again), then the rebuilt blocks. A
// rebuilt part is Rebuilt once its slices' MD5 and CRC-32 are the set's.
RebuildEnd RebuildParts(uint8_t* buffer, uint32_t bufferSize, const RebuildHooks& hooks,
                        char (&failedName)[520]);

// The file the join reads for part index: its scratch file when rebuilt,
// else null (the part itself).
FileHandle RebuiltPart(uint32_t index);

#endif
