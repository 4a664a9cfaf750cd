// The worker's messages to the dialog and its stops: the progress sent, a
// pause waited for, a cancel or a failure reported after closing what is
// open. The join (join/worker.cpp) and the rebuild step
// (join/worker_rebuild.cpp) both stop and report through these.
#include <cstdint>

#include "join/join_state.h"
#include "join/sink.h"
#include "join/timeline.h"
#include "join/worker.h"
#include "join/worker_job.h"
#include "text/text.h"
#include "platform/platform.h"

// First lines of the error boxes, by failed operation.
extern const char kCreating[] = "Un error a ocurrido durante la creación del siguiente archivo :";
extern const char kReading[] = "Un error a ocurrido durante la lectura del siguiente archivo :";

namespace {

uint32_t Percent(uint64_t done, uint64_t total) {
    if (total == 0) return 0;
    double percent = static_cast<double>(done) * 100.0 / static_cast<double>(total);
    return percent >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(percent);
}

}  // namespace

// Sends one of the worker's messages to the dialog, marked as the one in
// flight.
void SendJobMessage(ViewWindow dialog, uint32_t message) {
    uint64_t begin = TimelineNow();
    StoreFlag(g_join.messageInFlight, message);
    SendToDialog(dialog, message);
    TimelineRecord(Span::Send, Lane::Worker, begin, message);
}

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

// Closes the part that is open, without looking at the result: the job has
// already failed or been cancelled. The joined file stays open in g_join,
// where the closing handler lets it go.
void CloseAll(WorkerJob& job) {
    if (job.input != nullptr && !job.inputIsScratch) CloseFile(job.input);
    job.input = job.output = nullptr;
    EndHelper(job);
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

