#include "join/worker.h"

#include <cstring>
#include <utility>

#include "hash/hash.h"
#include "join/completion.h"
#include "join/join_state.h"
#include "join/rebuild.h"
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
const char kNotEnough[] =
    "No hay suficientes datos de recuperación para reconstruir las partes.\n"
    "Partes que faltan o no son válidas : %u.\nBloques de recuperación presentes : %u.";
const char kRebuiltUnsound[] = "La parte reconstruida no es válida :\n\"%s\"";

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
    // With recovery data: the part's slice checks, begun with its first
    // block and finished with its last.
    bool sliceChecks;
    bool firstOfPart;
    bool lastOfPart;
    uint32_t part;
};

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

// Stores the progress values in g_join and sends WM_JOIN_PROGRESS.
void Notify(const WorkerJob& job) {
    if (job.rebuilding) {
        g_join.progressRebuilding = 1;
        g_join.progressPart = job.firstRebuilt;
        g_join.progressDone = job.rebuildDone;
        g_join.progressTotal = job.rebuildTotal;
        g_join.progressPartPercent = g_join.progressPercent = Percent(job.rebuildDone, job.rebuildTotal);
        SendJobMessage(job.dialog, WM_JOIN_PROGRESS);
        return;
    }
    g_join.progressRebuilding = 0;
    g_join.progressPart = job.part;
    g_join.progressDone = job.jobDone;
    g_join.progressTotal = g_join.inputTotal;
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

// Closes the part that is open, without looking at the result: the job has
// already failed or been cancelled. The joined file stays open in g_join,
// where the closing handler lets it go.
void CloseAll(WorkerJob& job) {
    if (job.input != nullptr && !job.inputIsScratch) CloseFile(job.input);
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
    MakeUnderTemporaryName(TemporaryNaming{&t, DrawUnpredictableBits, MakeJoinedFile}, kTempNameTries);
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

// The rebuild's progress, throttled as the join's.
void RebuildProgress(void* context, uint64_t done, uint64_t total) {
    WorkerJob& job = *static_cast<WorkerJob*>(context);
    job.rebuildDone = done;
    job.rebuildTotal = total;
    uint32_t now = GetTickCount32();
    if (done == 0 || done == total || now - job.lastProgressTick >= kProgressInterval) {
        job.lastProgressTick = now;
        Notify(job);
    }
}

void RebuildStartTask(void* context, void (*task)(void*), void* parameter) {
    WorkerJob& job = *static_cast<WorkerJob*>(context);
    if (job.helper == nullptr) {
        task(parameter);
        return;
    }
    StartHelperTask(job.helper, task, parameter);
}

void RebuildAwaitTask(void* context) { AwaitHashing(*static_cast<WorkerJob*>(context)); }

int RebuildStop(void* context) {
    WorkerJob& job = *static_cast<WorkerJob*>(context);
    PausePoint(job);
    return LoadFlag(g_join.cancelRequested) == 1;
}

// A rebuild's pass starts again: the dialog names the part found damaged.
void RebuildAgain(void* context) {
    WorkerJob& job = *static_cast<WorkerJob*>(context);
    SendJobMessage(job.dialog, WM_JOIN_REBUILDING);
}

// Rebuilds the parts missing or found damaged, between WM_JOIN_REBUILDING
// and WM_JOIN_REBUILT; returns false when the job has ended (cancelled or
// failed, and reported).
bool RebuildStep(WorkerJob& job) {
    if (!CanRebuild()) {
        char message[kMessageCapacity];
        FormatText(message, sizeof message, kNotEnough, PartsToRebuild(), RecoverySlicesPresent());
        ShowMessageBox(job.dialog, message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
        CloseAll(job);
        SendJobMessage(job.dialog, WM_JOIN_FAILED);
        return false;
    }
    job.firstRebuilt = 0;
    while (job.firstRebuilt < g_join.partCount && g_join.recovery->states[job.firstRebuilt] != PartState::Missing &&
           g_join.recovery->states[job.firstRebuilt] != PartState::Damaged) {
        ++job.firstRebuilt;
    }
    SendJobMessage(job.dialog, WM_JOIN_REBUILDING);
    // The helper takes the present parts' CRC-32s beside the rebuild.
    if (job.helper == nullptr) job.helper = CreateHelperThread();
    job.rebuilding = true;
    job.rebuildDone = job.rebuildTotal = 0;
    char failed[kNameCapacity];
    RebuildEnd end = RebuildParts(g_join.transferBuffer, g_join.bufferSize,
                                  RebuildHooks{&job, RebuildProgress, RebuildStop, RebuildAgain, RebuildStartTask,
                                               RebuildAwaitTask}, failed);
    if (end == RebuildEnd::Cancelled) {
        CancelPoint(job);
        return false;
    }
    job.rebuilding = false;
    switch (end) {
        case RebuildEnd::Rebuilt: SendJobMessage(job.dialog, WM_JOIN_REBUILT); return true;
        case RebuildEnd::ReadFailed: Fail(job, kReading, failed); return false;
        case RebuildEnd::ScratchFailed: Fail(job, kCreating, failed); return false;
        case RebuildEnd::NoMemory:
            ShowMessageBox(job.dialog, "Memoria insuficiente.", TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
            break;
        case RebuildEnd::Unsound: {
            char message[kMessageCapacity];
            FormatText(message, sizeof message, kRebuiltUnsound, failed);
            ShowMessageBox(job.dialog, message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
            break;
        }
        default: {
            char message[kMessageCapacity];
            FormatText(message, sizeof message, kNotEnough, PartsToRebuild(), RecoverySlicesPresent());
            ShowMessageBox(job.dialog, message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
            break;
        }
    }
    CloseAll(job);
    SendJobMessage(job.dialog, WM_JOIN_FAILED);
    return false;
}

// Whether the join found a part damaged that the recovery data can rebuild:
// a slice checksum or, with a checksum list, the part's line.
bool DamageToRebuild() {
    RecoveryData* data = g_join.recovery;
    if (data == nullptr) return false;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (g_join.partChecks != nullptr && g_join.partChecks[i].failed && data->states[i] == PartState::Sound) {
            data->states[i] = PartState::Damaged;
        }
    }
    return PartsToRebuild() != 0 && CanRebuild();
}

// Whether the parts have checks of their own: a checksum list's lines or
// the recovery data's slices.
bool PartsCheckable() { return g_join.partEngine != nullptr || g_join.recovery != nullptr; }

// Joins every part into the output, from its start. Returns false when the
// job has ended (cancelled or failed, and reported).
bool JoinParts(WorkerJob& job) {
    for (job.part = 0; job.part < g_join.partCount; ++job.part) {
        job.partDone = 0;
        job.partSize = 1;  // not open yet: the part's percentage is 0
        // A cut name names another file: such a part cannot be opened.
        bool whole = PartName(job.part, job.partName) != 0;
        NotifyThrottled(job);

        uint64_t opening = TimelineNow();
        // A rebuilt part is read from its scratch file, which stays open.
        FileHandle rebuilt = g_join.recovery != nullptr ? RebuiltPart(job.part) : nullptr;
        job.inputIsScratch = rebuilt != nullptr;
        if (rebuilt != nullptr) {
            job.input = SeekFile(rebuilt, 0) ? rebuilt : nullptr;
        } else {
            job.input = whole ? OpenPartFile(job.partName) : nullptr;
        }
        if (job.input == nullptr) {
            Notify(job);
            Fail(job, kOpening, job.partName);
            return false;
        }
        if (!GetFileSize64(job.input, &job.partSize)) {
            Notify(job);
            Fail(job, kReading, job.partName);
            return false;
        }
        TimelineRecord(Span::Open, Lane::Worker, opening, job.part);

        for (;;) {
            PausePoint(job);
            if (CancelPoint(job)) return false;

            uint32_t readCount = 0;
            // With one buffer the read would overwrite the block being
            // checksummed: the helper finishes it first. With two, the read
            // fills the other buffer meanwhile.
            if (job.block == job.other) AwaitHashing(job);
            uint64_t reading = TimelineNow();
            if (!ReadFileBlock(job.input, job.block, g_join.bufferSize, &readCount)) {
                Notify(job);
                Fail(job, kReading, job.partName);
                return false;
            }
            TimelineRecord(Span::Read, Lane::Worker, reading, readCount);
            // The helper takes one block at a time, in order. An empty read
            // (the end of a part that fills its last buffer, or an empty
            // part) has nothing to checksum: it is not handed over, so the
            // helper goes on with the last block while the worker opens the
            // next part and reads into the other buffer. With a checksum list
            // or recovery data it is, since it ends the part's own checks.
            bool handed = readCount != 0 || (job.partChecks && PartsCheckable());
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
            if (CancelPoint(job)) return false;  // a block read before a cancel is not written

            uint32_t writtenCount = 0;
            if (!WriteBlock(job, readCount, &writtenCount)) {
                Notify(job);
                Fail(job, kWriting, g_join.outputName);
                return false;
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
        if (job.inputIsScratch) continue;
        uint64_t closed = TimelineNow();
        bool closedWell = CloseFile(closing) != 0;
        TimelineRecord(Span::Close, Lane::Worker, closed, job.part);
        if (!closedWell) {
            Notify(job);
            Fail(job, kClosing, job.partName);
            return false;
        }
    }
    return true;
}

// Makes the engines, the counters and the output ready for a join from the
// first part.
void BeginJoinRound(WorkerJob& job) {
    if (g_join.engine != nullptr) g_join.engine->Reset();
    if (g_join.partEngine != nullptr) {
        g_join.partEngine->Reset();
        for (uint32_t i = 0; i < g_join.partCount; ++i) g_join.partChecks[i].failed = 0;
    }
    job.jobDone = 0;
    if (job.hashing && job.helper == nullptr) job.helper = CreateHelperThread();
    job.block = job.other = g_join.transferBuffer;
    if (job.helper != nullptr && g_join.spareBuffer != nullptr) job.other = g_join.spareBuffer;
}

uint32_t RunJob(WorkerJob& job) {
    uint64_t started = TimelineNow();
    CHash* engine = g_join.engine;
    job.hashing = engine != nullptr || PartsCheckable();
    // With a checksum in the record the whole file's checksum checks every
    // byte: the parts' own checks, a second pass of every byte through an
    // engine on the same core, run only in a round after the whole file's
    // proved invalid, to name the damaged parts and rebuild them. Without
    // one they are the only check, and run from the first round.
    job.partChecks = PartsCheckable() && engine == nullptr;
    bool finished = false;

    job.output = g_join.joinedFile = CreateTemporaryOutput();
    if (job.output == nullptr) return Fail(job, kCreating, g_join.outputName);
    BeginJoinRound(job);
    TimelineRecord(Span::Start, Lane::Worker, started, 0);

    // Parts missing or damaged at start-up are rebuilt first; a part found
    // damaged while joined is rebuilt after the join, which then starts
    // again (each round has one more part rebuilt: at most as many rounds as
    // parts).
    if (PartsToRebuild() != 0 && CanRebuild() && !RebuildStep(job)) return 0;
    for (uint32_t round = 0;; ++round) {
        if (!JoinParts(job)) return 0;
        EndHelper(job);
        if (!job.partChecks && PartsCheckable()) {
            engine->Finish();
            finished = true;
            if (JudgeJoin().valid) break;
            job.partChecks = true;
            SendJobMessage(job.dialog, WM_JOIN_CHECKING);
            if (!SeekFile(job.output, 0)) return Fail(job, kWriting, g_join.outputName);
            BeginJoinRound(job);
            finished = false;
            continue;
        }
        if (round >= g_join.partCount || !DamageToRebuild()) break;
        job.part = g_join.partCount - 1;
        Notify(job);
        if (!RebuildStep(job)) return 0;
        if (!SeekFile(job.output, 0)) return Fail(job, kWriting, g_join.outputName);
        BeginJoinRound(job);
    }
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
    if (engine != nullptr && !finished) engine->Finish();
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
