// The worker's rebuild of the parts missing or damaged, before the join or
// between two of its rounds, over the rebuild's pass (join/rebuild_pass.cpp).
#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/sink.h"
#include "join/worker.h"
#include "join/worker_job.h"
#include "text/text.h"
#include "platform/platform.h"

namespace {

const char kNotEnough[] =
    "No hay suficientes datos de recuperación para reconstruir las partes.\n"
    "Partes que faltan o no son válidas : %u.\nBloques de recuperación presentes : %u.";
const char kRebuiltUnsound[] = "La parte reconstruida no es válida :\n\"%s\"";

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

}  // namespace

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
