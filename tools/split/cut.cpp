#include "tools/split/cut.h"

#include "tools/split/os.h"
#include "tools/split/report.h"

namespace {

// Below this size a cut is too quick for progress to be worth showing.
const uint64_t kProgressThreshold = 16u << 20;

// Copies the bytes of part index into file. Returns 0, the failure reported
// and the file closed, when it cannot.
int CopyPart(Job* job, const OutputSet& outputs, uint32_t index, OsHandle part, CHash* engine,
             uint8_t* buffer, uint64_t* done, bool progress, int* shownPercent) {
    std::string partName = PartFileName(*job, index);
    uint64_t left = PartSize(job->plan, index);
    while (left > 0) {
        if (OsInterrupted()) {
            OsClose(part);
            Report("interrupted; nothing was kept");
            return 0;
        }
        size_t want = left < kCutBufferSize ? static_cast<size_t>(left) : kCutBufferSize;
        size_t got = 0;
        int read = OsRead(job->input, buffer, want, &got);
        if (!read || got == 0) {
            OsClose(part);
            if (!read) {
                Report("cannot read '%s': %s (nothing was kept)", ShowName(job->file).c_str(),
                       OsLastErrorText());
            } else {
                Report("'%s' shrank while being cut (nothing was kept)",
                       ShowName(job->file).c_str());
            }
            return 0;
        }
        if (!WriteOutput(part, buffer, got, partName, outputs)) return 0;
        if (engine != nullptr) engine->Update(buffer, static_cast<uint32_t>(got));
        left -= got;
        *done += got;
        if (progress) ShowProgress(job->name, *done, job->plan.fileSize, shownPercent);
    }
    return FinishOutput(part, partName, outputs);
}

}  // namespace

int CutParts(Job* job, OutputSet* outputs, CHash* engine, uint8_t* buffer) {
    const SplitPlan& plan = job->plan;
    bool progress = OsErrorStreamIsTerminal() && plan.fileSize >= kProgressThreshold;
    int shownPercent = -1;
    uint64_t done = 0;
    for (uint32_t i = 0; i < plan.partCount; ++i) {
        OsHandle part = kNoHandle;
        if (!CreatePart(outputs, i, &part)) return 0;
        if (!CopyPart(job, *outputs, i, part, engine, buffer, &done, progress, &shownPercent)) {
            return 0;
        }
    }
    uint8_t extra = 0;
    size_t got = 0;
    if (OsRead(job->input, &extra, 1, &got) && got > 0) {
        Report("'%s' grew while being cut (nothing was kept)", ShowName(job->file).c_str());
        return 0;
    }
    // Bytes written in place keep the size but not the times: the parts
    // would hold a mix of the old file and the new.
    OsFileTimes times;
    if (!OsGetFileTimes(job->input, &times)) {
        Report("cannot read '%s': %s (nothing was kept)", ShowName(job->file).c_str(),
               OsLastErrorText());
        return 0;
    }
    if (!OsSameFileTimes(times, job->inputTimes)) {
        Report("'%s' changed while being cut (nothing was kept)", ShowName(job->file).c_str());
        return 0;
    }
    if (progress) ClearProgress(job->name);
    return 1;
}
