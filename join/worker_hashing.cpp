// The join's checksums on the helper thread: each block is handed over as
// it is read and checksummed while the worker writes it.
#include <cstring>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/timeline.h"
#include "join/worker_job.h"
#include "platform/platform.h"

namespace {

void UpdateSliceChecks(const HashBlock* block) {
    if (block->firstOfPart) BeginPartCheck(block->part);
    UpdatePartCheck(block->data, block->size);
    if (block->lastOfPart) FinishPartCheck();
}

void UpdateEngines(const HashBlock* block) {
    if (block->sliceChecks) UpdateSliceChecks(block);
    if (block->engine != nullptr) block->engine->Update(block->data, block->size);
    if (block->partEngine == nullptr) return;
    block->partEngine->Update(block->data, block->size);
    if (block->ending == nullptr) return;
    block->partEngine->Finish();
    char digest[kLongestDigestText + 1];
    block->partEngine->GetDigestText(digest);
    block->ending->failed = std::strcmp(digest, block->ending->digest) != 0;
    block->partEngine->Reset();
}

// The helper's task: one block's checksums.
void HelperChecksum(void* parameter) {
    uint64_t begin = TimelineNow();
    const HashBlock* block = static_cast<const HashBlock*>(parameter);
    UpdateEngines(block);
    TimelineRecord(Span::Checksum, Lane::Helper, begin, block->size);
}

}  // namespace

// Hands the block just read to the helper thread, which checksums it while
// the worker notifies, writes the same block and reads the next one into
// the other buffer: only the read writes a buffer, and never the helper's.
// Without a helper the worker checksums the block itself once written.
// A read that delivers less than a full buffer is the part's last block.
void StartHashing(WorkerJob& job, uint32_t readCount) {
    if (!job.hashing) return;
    CHash* partEngine = job.partChecks ? g_join.partEngine : nullptr;
    PartCheck* ending = nullptr;
    if (partEngine != nullptr && readCount != g_join.bufferSize) ending = &g_join.partChecks[job.part];
    job.hashBlock = HashBlock{g_join.engine, partEngine, ending, job.block, readCount,
                              job.partChecks && g_join.recovery != nullptr, job.partDone == 0,
                              readCount != g_join.bufferSize, job.part};
    if (job.helper != nullptr) StartHelperTask(job.helper, HelperChecksum, &job.hashBlock);
}

// Waits until the helper has checksummed the last block handed over.
void AwaitHashing(const WorkerJob& job) {
    if (job.helper == nullptr) return;
    uint64_t begin = TimelineNow();
    AwaitHelperTask(job.helper);
    TimelineRecord(Span::AwaitHelper, Lane::Worker, begin, 0);
}

// Ends the helper thread once its last block is checksummed: it must be gone
// before the job's closing message lets the dialog release the engine and the
// buffer.
void EndHelper(WorkerJob& job) {
    AwaitHashing(job);
    if (job.helper != nullptr) CloseHelperThread(job.helper);
    job.helper = nullptr;
}

void HashWithoutHelper(const WorkerJob& job, uint32_t readCount) {
    if (!job.hashing || job.helper != nullptr) return;
    uint64_t begin = TimelineNow();
    UpdateEngines(&job.hashBlock);
    TimelineRecord(Span::Checksum, Lane::Worker, begin, readCount);
}
