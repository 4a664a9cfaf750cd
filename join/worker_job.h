// What the worker's files share (join/worker.cpp: the job's steps;
// join/worker_rebuild.cpp: the rebuild of parts before the join or between
// two of its rounds; join/worker_messages.cpp: the messages to the dialog and
// the stops; join/worker_hashing.cpp: the checksums on the helper thread):
// the state of one job, private to the worker thread. Only these files
// include it.
#ifndef SELVANORE_JOIN_WORKER_JOB_H
#define SELVANORE_JOIN_WORKER_JOB_H

#include <cstdint>

#include "hash/hash.h"
#include "join/join_state.h"
#include "platform/platform.h"

// A block handed to the helper thread for the checksums: the whole file's
// and, with a checksum list, the part's, which the last block of a part
// finishes and compares with the part's line.
struct HashBlock {
    CHash* engine;      // null without a checksum in the record
    CHash* partEngine;  // null without a checksum list
    PartCheck* ending;  // the part's line when this block is its last, else null
    const uint8_t* data;
    uint32_t size;
    // With recovery data: the part's slice checks, begun with its first
    // block and finished with its last.
    bool sliceChecks;
    bool firstOfPart;
    bool lastOfPart;
    uint32_t part;
};

// The state of one job, private to the worker thread.
struct WorkerJob {
    ViewWindow dialog;
    uint32_t part;
    uint64_t partDone;
    uint64_t jobDone;
    uint64_t partSize;
    FileHandle output;
    FileHandle input;
    // The input is a rebuilt part's scratch file, which stays open.
    bool inputIsScratch;
    // The parts' own checks (the list's lines, the recovery data's slices)
    // run in this round.
    bool partChecks;
    // A rebuild runs: the progress is its own.
    bool rebuilding;
    uint32_t firstRebuilt;
    uint64_t rebuildDone;
    uint64_t rebuildTotal;
    // Checksums each block from its read to the next read, while the worker
    // notifies and writes it; null without a checksum to compute, or when no
    // second thread could be had (the worker then checksums each block itself after
    // writing it).
    HelperHandle helper;
    // Whether any checksum is computed: the record's or the parts'.
    bool hashing;
    HashBlock hashBlock;
    // The buffer the next block is read into, and the other one, which holds
    // the block before it (still being checksummed, perhaps). Both are the
    // transfer buffer when there is no second buffer or no helper.
    uint8_t* block;
    uint8_t* other;
    char partName[kNameCapacity];
    // The tick of the last throttled notification.
    uint32_t lastProgressTick;
};

// First lines of the error boxes the rebuild shares with the join.
extern const char kCreating[];
extern const char kReading[];

// The job's messages and stops (join/worker_messages.cpp).
void SendJobMessage(ViewWindow dialog, uint32_t message);
void Notify(const WorkerJob& job);
void CloseAll(WorkerJob& job);
uint32_t Fail(WorkerJob& job, const char* operation, const char* fileName);
void PausePoint(const WorkerJob& job);
bool CancelPoint(WorkerJob& job);

// The checksums on the helper thread (join/worker_hashing.cpp).
void StartHashing(WorkerJob& job, uint32_t readCount);
void AwaitHashing(const WorkerJob& job);
// Without a helper thread the worker checksums the block handed over
// itself, once it is written.
void HashWithoutHelper(const WorkerJob& job, uint32_t readCount);
void EndHelper(WorkerJob& job);

// The rebuild (join/worker_rebuild.cpp).
bool RebuildStep(WorkerJob& job);
bool DamageToRebuild();

#endif
