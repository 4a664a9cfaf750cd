// The join worker's job: every part opened, read and written in turn, each
// block handed to the helper for its checksums, and the rounds of the join
// with the rebuilds and checks between them, from the first part to the
// closing message.
#include "join/worker.h"

#include <utility>

#include "hash/hash.h"
#include "join/completion.h"
#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/sink.h"
#include "join/timeline.h"
#include "join/worker_job.h"
#include "text/text.h"
#include "platform/platform.h"
#include "platform/temporary_name.h"

namespace {

// First lines of the error boxes, by failed operation (those the rebuild
// shares are in join/worker_messages.cpp).
const char kOpening[] = "Un error a ocurrido durante la apertura del siguiente archivo :";
const char kWriting[] = "Un error a ocurrido durante la escritura del siguiente archivo :";
const char kClosing[] = "Un error a ocurrido al cerrar del siguiente archivo :";

// Temporary names tried before the creation counts as failed: each is new
// and unpredictable, so only a folder that refuses new files uses them all.
const uint32_t kTempNameTries = 16;

void NotifyThrottled(WorkerJob& job) {
    uint32_t now = GetTickCount32();
    if (job.jobDone == 0 || now - job.lastProgressTick >= kProgressInterval) {
        job.lastProgressTick = now;
        Notify(job);
    }
}

// Writes the block to the output. Only a whole write succeeds: the checksum
// takes the whole block.
bool WriteBlock(WorkerJob& job, uint32_t readCount, uint32_t* writtenCount) {
    uint64_t begin = TimelineNow();
    int written = WriteFileBlock(job.output, job.block, readCount, writtenCount);
    TimelineRecord(Span::Write, Lane::Worker, begin, readCount);
    return written != 0 && *writtenCount == readCount;
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
            HashWithoutHelper(job, readCount);
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
