#include "split/cut.h"

#include "platform/files.h"

namespace {

void Tell(const SplitEvents& events, const SplitProgress& progress) {
    if (events.progress != nullptr) events.progress(events.context, progress);
}

// Copies the bytes of part index into part.
int CopyPart(Job* job, uint32_t index, SystemFile* part, CutSums* sums, uint8_t* buffer,
             const SplitEvents& events, SplitProgress* progress, SplitFailure* failure) {
    std::string partName = PartFileName(*job, index);
    uint64_t left = PartSize(job->plan, index);
    while (left > 0) {
        if (StopAsked(events)) return FailWith(failure, SplitCause::Interrupted, "");
        size_t want = left < kCutBufferSize ? static_cast<size_t>(left) : kCutBufferSize;
        size_t got = 0;
        SystemError error;
        if (!ReadSome(job->input.handle, buffer, want, &got, &error)) {
            return FailWithSystem(failure, SplitCause::CannotReadInput, job->file, error);
        }
        if (got == 0) return FailWith(failure, SplitCause::InputShrank, job->file);
        // The sums read the block while it is written; the helper is
        // waited for on a failure too, before the buffer can go.
        BeginBlock(sums, buffer, got);
        int written = WriteOutput(*part, buffer, got, partName, *job, failure);
        EndBlock(sums);
        if (!written) return 0;
        left -= got;
        progress->done += got;
        Tell(events, *progress);
    }
    EndPart(sums);
    return FinishOutput(part, partName, *job, failure);
}

}  // namespace

int CutParts(Job* job, OutputSet* outputs, CutSums* sums, uint8_t* buffer,
             const SplitEvents& events, SplitFailure* failure) {
    const SplitPlan& plan = job->plan;
    SplitProgress progress = {SplitStage::Cutting, job->name, 0, plan.fileSize};
    for (uint32_t i = 0; i < plan.partCount; ++i) {
        SystemFile part;
        if (!CreatePart(outputs, i, &part, failure)) return 0;
        if (!CopyPart(job, i, &part, sums, buffer, events, &progress, failure)) return 0;
    }
    uint8_t extra = 0;
    size_t got = 0;
    SystemError error;
    if (ReadSome(job->input.handle, &extra, 1, &got, &error) && got > 0) {
        return FailWith(failure, SplitCause::InputGrew, job->file);
    }
    // Bytes written in place keep the size but not the times: the parts
    // would hold a mix of the old file and the new.
    FileTimes times;
    if (!GetFileTimes(job->input.handle, &times, &error)) {
        return FailWithSystem(failure, SplitCause::CannotReadInput, job->file, error);
    }
    if (!SameFileTimes(times, job->inputTimes)) {
        return FailWith(failure, SplitCause::InputChanged, job->file);
    }
    progress.stage = SplitStage::Cut;
    Tell(events, progress);
    return 1;
}
