#include "ui/dialog.h"

#include <cstdint>

#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/completion.h"
#include "join/sink.h"
#include "join/timeline.h"
#include "text/numbers.h"
#include "text/text.h"
#include "join/worker.h"
#include "platform/platform.h"
#include "ui/closing.h"
#include "ui/dialog_record.h"
#include "ui/progress.h"
#include "ui/report.h"
#include "ui/startup_report.h"

DialogRecord g_dialog;

const char kMainTitleFormat[] = "Vantorel %s - Modulo de auto-concatenación";
const char kStartUpFailed[] = "Error al iniciar.";

namespace {

DialogState g_state = DialogState::Impossible;

bool WorkerRuns() {
    return g_state == DialogState::Running || g_state == DialogState::PauseAsked ||
           g_state == DialogState::Paused || g_state == DialogState::Cancelling;
}

// Whether the join may go on to create the output: yes when nothing holds
// its name, else only on the user's explicit Yes (a box that cannot be shown
// answers 0). Asked at every start, since the file may appear at any time.
// A Yes agrees to replace the file there now, and no other.
bool MayReplaceOutput() {
    g_join.replaceAgreed = 0;
    g_join.agreedOutput = FileIdentity{};
    FileIdentity holder{};
    if (IdentifyName(g_join.outputName, &holder) == NameLookup::Absent) return true;
    char question[kMessageCapacity];
    FormatText(question, sizeof question,
               "El archivo de salida ya existe :\n\"%s\"\n¿Desea reemplazarlo?", g_join.outputName);
    int answer =
        ShowDialogBox(question, TITLE_WARNING, BOX_YES_NO | BOX_ICON_WARNING | BOX_DEFAULT_SECOND);
    if (answer != ANSWER_YES) return false;
    g_join.replaceAgreed = 1;
    g_join.agreedOutput = holder;
    return true;
}

// Whether the join may go on when the output's folder has less room than
// the parts hold: said before any work rather than failing halfway, and only
// an explicit Yes goes on (the system's count may be wrong).
bool MayStartWithoutRoom() {
    uint64_t free = 0;
    if (RoomForOutput(&free)) return true;
    char question[kMessageCapacity];
    FormatText(question, sizeof question,
               "No hay espacio suficiente en el disco para el archivo de salida.\n"
               "Espacio necesario : %s bytes.\nEspacio libre : %s bytes.\n"
               "¿Desea empezar la concatenación de todos modos?",
               FormatSize(g_join.inputTotal).text, FormatSize(free).text);
    return ShowDialogBox(question, TITLE_WARNING, BOX_YES_NO | BOX_ICON_WARNING | BOX_DEFAULT_SECOND) ==
           ANSWER_YES;
}

// Nothing has started: say so and leave the dialog ready to try again.
void ReportStartFailure() {
    ShowDialogBox("Imposible iniciar la concatenación.", TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
    AppendReportLine("La concatenación no ha podido empezar.");
    SetTitleStatus("Error durante la concatenación");
    SetControlText(g_dialog.window, ID_START_BUTTON, "Comenzar");
    EnableControls(true);
    g_state = DialogState::Ready;
}

void StartJob() {
    // From here until the worker runs, a box may be open: no command counts.
    g_state = DialogState::Asking;
    EnableControls(false);
    // Asked before anything of the start changes, so that a No leaves the
    // dialog ready exactly as it was, with one line saying so.
    if (!MayReplaceOutput() || !MayStartWithoutRoom()) {
        AppendReportLine("%s", "");
        AppendReportLine("La concatenación no ha empezado.");
        EnableControls(true);
        g_state = DialogState::Ready;
        return;
    }
    // The lines are shown once the worker runs: its start waits for no edit.
    HoldReport();
    AppendReportLine("%s", "");
    AppendReportLine("Concatenación de archivos...");
    ReleaseReportLater();
    SetControlText(g_dialog.window, ID_START_BUTTON, "Pausa");
    g_join.progressPercent = 0;
    SetTitleStatus(kRunningStatus);
    BeginProgressDisplay();
    g_join.joinedFile = nullptr;
    g_join.tempName[0] = '\0';
    g_join.changedPart = 0;
    g_join.changedPartSize = 0;
    g_join.messageInFlight = 0;
    g_join.progressRebuilding = 0;
    g_dialog.startTick = GetTickCount32();

    ThreadHandle thread = CreateSuspendedThread(JoinWorker, g_dialog.window);
    if (thread == nullptr) {
        ReportStartFailure();
        return;
    }
    // The handle is stored before the worker runs, so every message finds it.
    g_dialog.workerThread = thread;
    SetLowestPriority(thread);
    if (!ResumeSuspendedThread(thread)) {
        // The thread never runs: its handle goes, and the start has failed.
        g_dialog.workerThread = nullptr;
        CloseThreadHandle(thread);
        ReportStartFailure();
        return;
    }
    // The worker's messages are handled only once this handler returns.
    g_state = DialogState::Running;
    EnableControls(true);
}

void RequestPause() {
    g_state = DialogState::PauseAsked;
    EnableControls(false);
    // The event is reset before the flag is raised, so a worker that sees
    // the flag always finds the event reset and waits.
    ClearEvent(g_join.pauseEvent);
    StoreFlag(g_join.pauseRequested, 1);
    RepaintDialog(g_dialog.window);
}

void Resume() {
    g_state = DialogState::Running;
    TrimReportTail(PAUSE_NOTICE_LENGTH);
    SetTitleStatus(g_join.progressRebuilding != 0 ? kRebuildingStatus : kRunningStatus);
    SetControlText(g_dialog.window, ID_START_BUTTON, "Pausa");
    // The time from the worker's acknowledgement to now is not counted.
    g_dialog.startTick += GetTickCount32() - g_dialog.pauseTick;
    // The flag is lowered before the event is set, so the released worker
    // does not pause again for the same request.
    StoreFlag(g_join.pauseRequested, 0);
    SignalEvent(g_join.pauseEvent);
    RepaintDialog(g_dialog.window);
}

// Asks the running or paused job to stop.
void Cancel() {
    g_state = DialogState::Cancelling;
    EnableControl(g_dialog.cancelButton, false);
    EnableControl(g_dialog.startButton, false);
    // The cancel flag is raised before the worker is released, so that it
    // sees the cancel when it wakes.
    StoreFlag(g_join.cancelRequested, 1);
    if (LoadFlag(g_join.pauseRequested) != 0) {
        TrimReportTail(PAUSE_NOTICE_LENGTH);
        StoreFlag(g_join.pauseRequested, 0);
        SignalEvent(g_join.pauseEvent);
        RepaintDialog(g_dialog.window);
    }
}

// A closing message: no command counts while its handler (and any box of
// it) runs; then the join is over.
void Close(void (*handler)()) {
    g_state = DialogState::Closing;
    handler();
    g_state = DialogState::Ended;
}

}  // namespace

DialogState GetDialogState() { return g_state; }

CloseAnswer AnswerCloseRequest() {
    switch (g_state) {
        case DialogState::Impossible:
        case DialogState::Ready:
        case DialogState::Ended: return CloseAnswer::Close;
        case DialogState::Asking:
        case DialogState::Closing: return CloseAnswer::Ignore;
        default: return CloseAnswer::Refuse;
    }
}

void InitJoinDialog(ViewWindow dialog) {
    g_dialog.window = dialog;
    g_dialog.reportBox = GetDialogControl(dialog, ID_REPORT_BOX);
    g_dialog.startButton = GetDialogControl(dialog, ID_START_BUTTON);
    g_dialog.cancelButton = GetDialogControl(dialog, ID_CANCEL_BUTTON);
    g_dialog.deleteInputsBox = GetDialogControl(dialog, ID_DELETE_INPUTS_BOX);
    // The size warning's box may open on the way: no command counts meanwhile.
    g_state = DialogState::Asking;
    g_state = WriteStartupReport() ? DialogState::Ready : DialogState::Impossible;
}

void OnStartButton() {
    switch (g_state) {
        case DialogState::Ready: StartJob(); return;
        case DialogState::Running: RequestPause(); return;
        case DialogState::Paused: Resume(); return;
        default: return;
    }
}

void OnCancelButton() {
    switch (g_state) {
        case DialogState::Impossible:
        case DialogState::Ready:
        case DialogState::Ended: DestroyMainWindow(g_dialog.window); return;
        case DialogState::Running:
        case DialogState::Paused: Cancel(); return;
        default: return;
    }
}

// The worker's messages other than progress are handled with the report
// held (DispatchWorkerMessage): each handler's lines are one edit.

// A rebuild begins, or begins again: the parts found damaged since the
// report last spoke of them by name, then each part to rebuild not yet
// announced, before the rebuild's progress line.
void OnJoinRebuilding() {
    EndProgressLine();
    AppendReportLine("%s", "");
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (g_join.recovery->states[i] == PartState::Damaged && !g_partTold[i]) {
            AppendPartLine("La parte ", i, " no es válida.");
            g_partTold[i] = 1;
        }
    }
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        PartState state = g_join.recovery->states[i];
        if ((state == PartState::Missing || state == PartState::Damaged) && !g_partAnnounced[i]) {
            AppendPartLine("Reconstrucción de la parte ", i, "...");
            g_partAnnounced[i] = 1;
        }
    }
}

// The whole file's checksum came out invalid: the join starts again, each
// part checked by the list or the recovery data as it is joined.
void OnJoinChecking() {
    EndProgressLine();
    AppendReportLine("%s", "");
    AppendReportLine("Checksum inválido: comprobación de cada parte.");
    AppendReportLine("%s", "");
    AppendReportLine("Concatenación de archivos...");
}

// Every part to rebuild is rebuilt: each by name, then the join (again).
void OnJoinRebuilt() {
    EndProgressLine();
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (g_join.recovery->states[i] == PartState::Rebuilt) {
            AppendPartLine("La parte ", i, " ha sido reconstruida.");
        }
    }
    AppendReportLine("%s", "");
    AppendReportLine("Concatenación de archivos...");
}

bool DispatchWorkerMessage(uint32_t message) {
    if (message < WM_JOIN_DONE || message > WM_JOIN_CHECKING) return false;
    // Only the worker's own message, and only while it runs: the same number
    // posted by anyone else changes nothing.
    if (!WorkerRuns() || !TakeJobMessage(message)) return true;
    uint64_t begin = TimelineNow();
    Span span = Span::Closing;
    // The last progress first, so that the report keeps its order, in the
    // same edit of the report as what the handler writes: one edit instead
    // of two or three (each costs milliseconds on some window systems, some
    // 25 under Wine). The handlers of a rebuild's and a check's stages leave
    // that edit to the display after them, so that the worker waiting for
    // the handler goes on at once; a pause's notice and a job's end are
    // shown before the worker goes on.
    bool holds = message != WM_JOIN_PROGRESS;
    bool later = message == WM_JOIN_REBUILDING || message == WM_JOIN_REBUILT || message == WM_JOIN_CHECKING;
    if (holds) {
        HoldReport();
        ShowPendingProgress();
    }
    switch (message) {
        case WM_JOIN_DONE: Close(OnJoinDone); break;
        case WM_JOIN_CANCELLED: Close(OnJoinCancelled); break;
        case WM_JOIN_FAILED: Close(OnJoinFailed); break;
        case WM_JOIN_PROGRESS:
            span = Span::Handle;
            OnJoinProgress();
            break;
        case WM_JOIN_REBUILDING:
            span = Span::Handle;
            OnJoinRebuilding();
            break;
        case WM_JOIN_REBUILT:
            span = Span::Handle;
            OnJoinRebuilt();
            break;
        case WM_JOIN_CHECKING:
            span = Span::Handle;
            OnJoinChecking();
            break;
        default:
            span = Span::Handle;
            OnJoinPaused();
            g_state = DialogState::Paused;
            break;
    }
    if (later) {
        ReleaseReportLater();
    } else if (holds) {
        ReleaseReport();
    }
    TimelineRecord(span, Lane::Dialog, begin, message);
    return true;
}

bool ReportBoxIsWhite() { return LoadFlag(g_join.pauseRequested) == 0; }
