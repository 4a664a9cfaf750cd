#include "join/worker.h"

#include <cstring>
#include <utility>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/sink.h"
#include "join/timeline.h"
#include "text/text.h"
#include "platform/platform.h"
#include "platform/temporary_name.h"

namespace {

// First lines of the error boxes, by failed operation.
const char kCreating[] = "Un error a ocurrido durante la creación del siguiente archivo :";
const char kOpening[] = "Un error a ocurrido durante la apertura del siguiente archivo :";
const char kReading[] = "Un error a ocurrido durante la lectura del siguiente archivo :";
const char kWriting[] = "Un error a ocurrido durante la escritura del siguiente archivo :";
const char kClosing[] = "Un error a ocurrido al cerrar del siguiente archivo :";

// Temporary names tried before the creation counts as failed: each is new
// and unpredictable, so only a folder that refuses new files uses them all.
const uint32_t kTempNameTries = 16;

uint32_t Percent(uint64_t done, uint64_t total) {
    if (total == 0) return 0;
    double percent = static_cast<double>(done) * 100.0 / static_cast<double>(total);
    return percent >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(percent);
}

// Sends one of the worker's messages to the dialog, marked as the one in
// flight.
void SendJobMessage(ViewWindow dialog, uint32_t message) {
    uint64_t begin = TimelineNow();
    StoreFlag(g_join.messageInFlight, message);
    SendToDialog(dialog, message);
    TimelineRecord(Span::Send, Lane::Worker, begin, message);
}

// A block handed to the helper thread for the checksums: the whole file's
// and, with a checksum list, the part's, which the last block of a part
// finishes and compares with the part's line.
struct HashBlock {
    CHash* engine;      // null without a checksum in the record
    CHash* partEngine;  // null without a checksum list
    PartCheck* ending;  // the part's line when this block is its last, else null
    const uint8_t* data;
    uint32_t size;
};

void UpdateEngines(const HashBlock* block) {
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

// The state of one job, private to the worker thread.
struct WorkerJob {
    ViewWindow dialog;
    uint32_t part;
    uint64_t partDone;
    uint64_t jobDone;
    uint64_t partSize;
    FileHandle output;
    FileHandle input;
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

// Stores the progress values in g_join and sends WM_JOIN_PROGRESS.
void Notify(const WorkerJob& job) {
    g_join.progressPart = job.part;
    g_join.progressDone = job.jobDone;
    g_join.progressPartPercent = Percent(job.partDone, job.partSize);
    g_join.progressPercent = Percent(job.jobDone, g_join.inputTotal);
    SendJobMessage(job.dialog, WM_JOIN_PROGRESS);
}

void NotifyThrottled(WorkerJob& job) {
    uint32_t now = GetTickCount32();
    if (job.jobDone == 0 || now - job.lastProgressTick >= kProgressInterval) {
        job.lastProgressTick = now;
        Notify(job);
    }
}

// Hands the block just read to the helper thread, which checksums it while
// the worker notifies, writes the same block and reads the next one into
// the other buffer: only the read writes a buffer, and never the helper's.
// Without a helper the worker checksums the block itself once written.
// A read that delivers less than a full buffer is the part's last block.
void StartHashing(WorkerJob& job, uint32_t readCount) {
    if (!job.hashing) return;
    PartCheck* ending = nullptr;
    if (g_join.partEngine != nullptr && readCount != g_join.bufferSize) {
        ending = &g_join.partChecks[job.part];
    }
    job.hashBlock = HashBlock{g_join.engine, g_join.partEngine, ending, job.block, readCount};
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

// Closes the part that is open, without looking at the result: the job has
// already failed or been cancelled. The joined file stays open in g_join,
// where the closing handler lets it go.
void CloseAll(WorkerJob& job) {
    if (job.input != nullptr) CloseFile(job.input);
    job.input = job.output = nullptr;
    EndHelper(job);
}

// Writes the block to the output. Only a whole write succeeds: the checksum
// takes the whole block.
bool WriteBlock(WorkerJob& job, uint32_t readCount, uint32_t* writtenCount) {
    uint64_t begin = TimelineNow();
    int written = WriteFileBlock(job.output, job.block, readCount, writtenCount);
    TimelineRecord(Span::Write, Lane::Worker, begin, readCount);
    return written != 0 && *writtenCount == readCount;
}

// Shows the error box of a failed operation on a file, waits for the user,
// then closes what is open and reports the failure.
uint32_t Fail(WorkerJob& job, const char* operation, const char* fileName) {
    char message[kMessageCapacity];
    FormatText(message, sizeof message, "%s\n\"%s\"", operation, fileName);
    ShowMessageBox(job.dialog, message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
    CloseAll(job);
    SendJobMessage(job.dialog, WM_JOIN_FAILED);
    return 0;
}

// The joined file made under "~selvanore-<digits>.tmp" in the output's
// folder. CreateJoinedFile does not say why it failed: every failure counts
// as a name taken, and the loop's draws bound the tries.
struct JoinedFileTry {
    size_t folder;  // the length of the output name's folder, with its separator
    FileHandle file;
    bool tooLong;
};

int DrawBits(void*, uint64_t* bits) {
    *bits = UnpredictableBits();
    return 1;
}

NameTry MakeJoinedFile(void* context, const char* digits) {
    JoinedFileTry& t = *static_cast<JoinedFileTry*>(context);
    if (FormatText(g_join.tempName, sizeof g_join.tempName, "%.*s~selvanore-%s.tmp", static_cast<int>(t.folder),
                   g_join.outputName, digits) != TextResult::Ok) {
        t.tooLong = true;
        return NameTry::Failed;
    }
    t.file = CreateJoinedFile(g_join.tempName);
    return t.file != nullptr ? NameTry::Made : NameTry::Taken;
}

// Creates the joined file new under a temporary name in the output's folder,
// a name no other run can foresee: a file left by a run that was killed never
// blocks this one, and nothing that holds the output's name (the user's
// file, a link) is ever opened.
FileHandle CreateTemporaryOutput() {
    const char* name = g_join.outputName;
    JoinedFileTry t{0, nullptr, false};
    for (size_t i = 0; name[i] != '\0'; ++i) {
        if (name[i] == '/' || name[i] == '\\') t.folder = i + 1;
    }
    MakeUnderTemporaryName(TemporaryNaming{&t, DrawBits, MakeJoinedFile}, kTempNameTries);
    return t.file;
}

// The end of a part: the bytes joined from it are its size at its turn. The
// first part whose size is not the surveyed one is recorded: without a
// checksum, that join is no success even when the total is right.
void CheckPartSize(const WorkerJob& job) {
    if (g_join.changedPart != 0 || g_join.partSizes == nullptr) return;
    if (job.partDone == g_join.partSizes[job.part]) return;
    g_join.changedPart = job.part + 1;
    g_join.changedPartSize = job.partDone;
}

// Pause point: reports the pause and waits until the user resumes.
void PausePoint(const WorkerJob& job) {
    if (LoadFlag(g_join.pauseRequested) != 1) return;
    Notify(job);
    SendJobMessage(job.dialog, WM_JOIN_PAUSED);
    WaitForEvent(g_join.pauseEvent);
}

// Cancel point: true when the job has been cancelled and reported.
bool CancelPoint(WorkerJob& job) {
    if (LoadFlag(g_join.cancelRequested) != 1) return false;
    Notify(job);
    CloseAll(job);
    SendJobMessage(job.dialog, WM_JOIN_CANCELLED);
    return true;
}

uint32_t RunJob(WorkerJob& job) {
    uint64_t started = TimelineNow();
    CHash* engine = g_join.engine;
    if (engine != nullptr) engine->Reset();
    if (g_join.partEngine != nullptr) {
        g_join.partEngine->Reset();
        for (uint32_t i = 0; i < g_join.partCount; ++i) g_join.partChecks[i].failed = 0;
    }
    job.hashing = engine != nullptr || g_join.partEngine != nullptr;

    job.output = g_join.joinedFile = CreateTemporaryOutput();
    if (job.output == nullptr) return Fail(job, kCreating, g_join.outputName);
    if (job.hashing) job.helper = CreateHelperThread();
    job.block = job.other = g_join.transferBuffer;
    if (job.helper != nullptr && g_join.spareBuffer != nullptr) job.other = g_join.spareBuffer;
    TimelineRecord(Span::Start, Lane::Worker, started, 0);

    for (job.part = 0; job.part < g_join.partCount; ++job.part) {
        job.partDone = 0;
        job.partSize = 1;  // not open yet: the part's percentage is 0
        // A cut name names another file: such a part cannot be opened.
        bool whole = PartName(job.part, job.partName) != 0;
        NotifyThrottled(job);

        uint64_t opening = TimelineNow();
        job.input = whole ? OpenPartFile(job.partName) : nullptr;
        if (job.input == nullptr) {
            Notify(job);
            return Fail(job, kOpening, job.partName);
        }
        if (!GetFileSize64(job.input, &job.partSize)) {
            Notify(job);
            return Fail(job, kReading, job.partName);
        }
        TimelineRecord(Span::Open, Lane::Worker, opening, job.part);

        for (;;) {
            PausePoint(job);
            if (CancelPoint(job)) return 0;

            uint32_t readCount = 0;
            // With one buffer the read would overwrite the block being
            // checksummed: the helper finishes it first. With two, the read
            // fills the other buffer meanwhile.
            if (job.block == job.other) AwaitHashing(job);
            uint64_t reading = TimelineNow();
            if (!ReadFileBlock(job.input, job.block, g_join.bufferSize, &readCount)) {
                Notify(job);
                return Fail(job, kReading, job.partName);
            }
            TimelineRecord(Span::Read, Lane::Worker, reading, readCount);
            // The helper takes one block at a time, in order. An empty read
            // (the end of a part that fills its last buffer, or an empty
            // part) has nothing to checksum: it is not handed over, so the
            // helper goes on with the last block while the worker opens the
            // next part and reads into the other buffer. With a checksum list
            // it is, since it ends the part's own checksum.
            bool handed = readCount != 0 || g_join.partEngine != nullptr;
            if (handed) {
                AwaitHashing(job);
                StartHashing(job, readCount);
            }
            // A block counts half once read and the rest once written.
            uint32_t half = readCount / 2;
            job.partDone += half;
            job.jobDone += half;
            NotifyThrottled(job);

            PausePoint(job);
            if (CancelPoint(job)) return 0;  // a block read before a cancel is not written

            uint32_t writtenCount = 0;
            if (!WriteBlock(job, readCount, &writtenCount)) {
                Notify(job);
                return Fail(job, kWriting, g_join.outputName);
            }
            job.partDone += writtenCount - half;
            job.jobDone += writtenCount - half;
            NotifyThrottled(job);
            if (!handed) break;  // the block stays the free buffer
            if (job.hashing && job.helper == nullptr) {
                uint64_t hashing = TimelineNow();
                UpdateEngines(&job.hashBlock);
                TimelineRecord(Span::Checksum, Lane::Worker, hashing, readCount);
            }
            std::swap(job.block, job.other);

            // A read that delivers less than a full buffer ends the part.
            if (readCount != g_join.bufferSize) break;
        }
        CheckPartSize(job);

        FileHandle closing = job.input;
        job.input = nullptr;
        uint64_t closed = TimelineNow();
        bool closedWell = CloseFile(closing) != 0;
        TimelineRecord(Span::Close, Lane::Worker, closed, job.part);
        if (!closedWell) {
            Notify(job);
            return Fail(job, kClosing, job.partName);
        }
    }

    EndHelper(job);
    // The final values, unthrottled, for the last part.
    if (g_join.partCount > 0) job.part = g_join.partCount - 1;
    Notify(job);

    // On the disk before it can take the output's name: the name must never
    // be given to data still in the caches. The file stays open: it takes
    // its name from the handle.
    uint64_t flushing = TimelineNow();
    bool flushed = FlushFile(job.output) != 0;
    TimelineRecord(Span::Flush, Lane::Worker, flushing, 0);
    if (!flushed) return Fail(job, kWriting, g_join.outputName);
    job.output = nullptr;
    // A cancel asked during the flush (minutes on a slow stick) is honoured:
    // nothing has taken the output's name yet.
    if (CancelPoint(job)) return 0;
    if (engine != nullptr) engine->Finish();
    SendJobMessage(job.dialog, WM_JOIN_DONE);
    return 0;
}

}  // namespace

bool TakeJobMessage(uint32_t message) {
    uint32_t expected = message;
    return __atomic_compare_exchange_n(&g_join.messageInFlight, &expected, 0u, false,
                                       __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

uint32_t JoinWorker(void* dialog) {
    WorkerJob job = {};
    job.dialog = static_cast<ViewWindow>(dialog);
    return RunJob(job);
}
