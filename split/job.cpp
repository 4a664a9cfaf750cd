#include "split/job.h"

#include <cstring>
#include <new>

#include "hash/hash.h"
#include "format/checksum_list.h"
#include "split/cut.h"
#include "split/input.h"
#include "split/joiner.h"
#include "split/outputs.h"
#include "split/recovery.h"
#include "split/sums.h"

struct SplitRun {
    Job job;
    OutputSet outputs{};
};

namespace {

void Warn(const SplitEvents& events, const SplitWarning& warning) {
    if (events.warn != nullptr) events.warn(events.context, warning);
}

// The checksum list's text: a line for each part, then the whole file's.
std::string ListText(const Job& job, const CutSums& sums) {
    std::string text;
    for (uint32_t i = 0; i < job.plan.partCount; ++i) {
        text += ChecksumListLine(sums.partDigests[i], PartFileName(job, i));
    }
    return text + ChecksumListLine(sums.wholeDigest, job.name);
}

// Cuts the parts, writes the recovery files, the checksum list and the
// stamped joiner and names the outputs. The caller removes the outputs, the named ones too, when it
// fails; every output's file is closed by then.
int WriteOutputs(const SplitRequest& request, SplitRun* run, CutSums* sums, uint8_t* buffer,
                 SplitOutcome* outcome) {
    Job& job = run->job;
    SplitFailure* failure = &outcome->failure;
    const SplitEvents& events = request.events;
    // The joiner's and the list's temporary files are made first, so that
    // nothing is cut when they cannot be; their bytes are written once the
    // checksums are known.
    SystemFile joiner;
    SystemFile list;
    if (!CreateJoinerCopy(&run->outputs, &joiner, failure)) return 0;
    if (!job.listName.empty() && !CreateList(&run->outputs, &list, failure)) return 0;
    std::vector<SystemFile> recoveryFiles;
    if (!CreateRecoveryFiles(&run->outputs, &recoveryFiles, failure)) return 0;
    if (!CutParts(&job, &run->outputs, sums, buffer, events, failure)) {
        outcome->interrupted = StopAsked(events);
        return 0;
    }
    uint64_t recoverySize = 0;
    if (job.recoveryCount > 0 &&
        !WriteRecovery(job, run->outputs, &recoveryFiles, sums->partStarts, buffer, request.creator,
                       events, &recoverySize, failure)) {
        outcome->interrupted = StopAsked(events);
        return 0;
    }

    JoinRecord record;
    std::memset(&record, 0, sizeof record);
    record.checksumKind = job.kind;
    record.expectedSize = job.plan.fileSize;
    record.partCount = job.plan.partCount;
    if (sums->record != nullptr) {
        sums->record->Finish();
        sums->record->GetDigestText(record.checksumText);
    }
    FinishSums(sums, record.checksumText);
    uint64_t listSize = 0;
    if (list.IsOpen()) {
        std::string text = ListText(job, *sums);
        listSize = text.size();
        if (!WriteOutput(list, text.data(), text.size(), job.listName, job, failure) ||
            !FinishOutput(&list, job.listName, job, failure)) {
            return 0;
        }
    }
    std::memcpy(record.outputName, job.cp1252Name.c_str(), job.cp1252Name.size() + 1);
    if (!StampJoiner(&job, record)) return FailWith(failure, SplitCause::StampUnreadable);
    if (!WriteOutput(joiner, job.joiner.data(), job.joiner.size(), job.joinerName, job,
                     failure) ||
        !FinishOutput(&joiner, job.joinerName, job, failure)) {
        return 0;
    }
    if (StopAsked(events)) {
        outcome->interrupted = true;
        return FailWith(failure, SplitCause::Interrupted);
    }

    // The names first: a run that loses one to another (a second cut of the
    // same file) keeps nothing, and must not have said that it made a set.
    if (!NameOutputs(&run->outputs, failure)) return 0;

    SplitResult& result = outcome->result;
    result.name = job.name;
    result.fileSize = job.plan.fileSize;
    result.partCount = job.plan.partCount;
    result.firstPart = PartFileName(job, 0);
    result.lastPart = PartFileName(job, job.plan.partCount - 1);
    result.joiner = OutputPath(job, job.joinerName);
    result.joinerName = job.joinerName;
    result.kind = job.kind;
    result.checksum = record.checksumText;
    result.joinerSource = job.joinerPath;
    result.joinerSize = job.joiner.size();
    if (!job.listName.empty()) result.list = OutputPath(job, job.listName);
    result.listName = job.listName;
    result.listSize = listSize;
    result.recoveryCount = job.recoveryCount;
    if (job.recoveryCount > 0) {
        result.recoveryIndex = OutputPath(job, job.recoveryIndexName);
        result.recoveryIndexName = job.recoveryIndexName;
        for (const Par2Volume& volume : job.recoveryVolumes) result.recoveryNames.push_back(volume.name);
        result.recoverySize = recoverySize;
    }
    return 1;
}

}  // namespace

SplitOutcome::SplitOutcome() = default;

SplitOutcome::~SplitOutcome() {
    if (run) DiscardOutputs(&run->outputs);
}

int RunSplit(const SplitRequest& request, SplitOutcome* outcome) {
    std::unique_ptr<SplitRun> run(new (std::nothrow) SplitRun);
    if (!run) return FailWith(&outcome->failure, SplitCause::OutOfMemory);
    Job& job = run->job;
    SplitFailure* failure = &outcome->failure;
    if (!PrepareInput(request, &job, failure) || !PrepareJoiner(request, &job, failure) ||
        !PrepareOutput(request, &job, failure)) {
        return 0;
    }
    SplitWarning warning;
    if (JoinerNameIsLong(job, &warning)) Warn(request.events, warning);
    if (size_t leftovers = CountLeftovers(job)) {
        Warn(request.events, SplitWarning{SplitWarningKind::Leftovers, job.outDir, leftovers});
    }

    std::unique_ptr<CHash> engine;
    if (job.kind != CHECKSUM_NONE) {
        engine.reset(CreateHashEngine(job.kind));
        if (!engine) return FailWith(failure, SplitCause::OutOfMemory);
        engine->Reset();
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kCutBufferSize]);
    if (!buffer) return FailWith(failure, SplitCause::OutOfMemory);
    // Declared after the buffer and the engine, so that its helper, idle
    // between blocks, is ended before they go.
    CutSums sums;
    if (!PrepareSums(engine.get(), job.kind, !job.listName.empty(), job.recoveryCount > 0, &sums)) {
        return FailWith(failure, SplitCause::OutOfMemory);
    }

    if (request.events.progress != nullptr) {
        request.events.progress(request.events.context,
                                SplitProgress{SplitStage::Writing, job.name, 0, job.plan.fileSize});
    }
    run->outputs = NoOutputs(job);
    if (!WriteOutputs(request, run.get(), &sums, buffer.get(), outcome)) {
        DiscardOutputs(&run->outputs);
        return 0;
    }
    outcome->run = std::move(run);
    return 1;
}

void KeepOutputs(SplitOutcome* outcome) {
    outcome->run.reset();
}
