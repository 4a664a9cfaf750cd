// Vantorel.exe's cut: the splitter's job (split/job.h) on a worker thread of
// the system layer's, its progress posted to the window one message at a
// time, the clock, and what the window says once the job has ended. The
// job's checks, refusals and results are the command line's.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "apps/split_window/texts.h"
#include "apps/split_window/window.h"
#include "hash/checksum_kinds.h"
#include "res/vantorel_resource.h"
#include "split/job.h"
#include "text/numbers.h"
#include "version.h"

#ifndef VANTOREL_INSTALLED_JOINER
#define VANTOREL_INSTALLED_JOINER "plantilla\\Selvanore.exe"
#endif
#ifndef VANTOREL_BUILD_JOINER
#define VANTOREL_BUILD_JOINER "Selvanore.exe"
#endif

// What the worker and the window share: written by the worker under the
// lock (progress) or before it posts WM_SPLIT_DONE (the outcome, the
// warnings), read by the window after.
struct SplitShared {
    std::mutex lock;
    uint64_t done = 0;
    uint64_t total = 0;
    bool recovering = false;  // the recovery pass is under way
    bool progressPosted = false;
    std::atomic<int> stop{0};  // set by the window, polled by the job
    SplitRequest request;
    SplitOutcome outcome;
    int succeeded = 0;
    std::vector<SplitWarning> warnings;
};

namespace {

const JoinerPlaces kWindowsJoiner = {VANTOREL_INSTALLED_JOINER, VANTOREL_BUILD_JOINER};

// ---- The worker ------------------------------------------------------------

void OnWarning(void* context, const SplitWarning& warning) {
    static_cast<SplitShared*>(context)->warnings.push_back(warning);
}

void OnProgress(void* context, const SplitProgress& progress) {
    SplitShared* shared = static_cast<SplitShared*>(context);
    bool post;
    {
        std::lock_guard<std::mutex> held(shared->lock);
        shared->done = progress.done;
        shared->total = progress.total;
        shared->recovering = progress.stage == SplitStage::Recovering;
        post = !shared->progressPosted;
        shared->progressPosted = true;
    }
    // One message in flight at most: the window reads the latest values.
    if (post) PostMessageW(g_window.main, WM_SPLIT_PROGRESS, 0, 0);
}

int OnStop(void* context) { return static_cast<SplitShared*>(context)->stop.load(); }

// The worker posts its last message once it no longer touches what it
// shares with the window.
uint32_t SplitWorker(void* parameter) {
    SplitShared* shared = static_cast<SplitShared*>(parameter);
    shared->succeeded = RunSplit(shared->request, &shared->outcome);
    PostMessageW(g_window.main, WM_SPLIT_DONE, 0, 0);
    return 0;
}

void LatestProgress(uint64_t* done, uint64_t* total, bool taken, bool* recovering = nullptr) {
    SplitShared* shared = g_window.shared;
    std::lock_guard<std::mutex> held(shared->lock);
    *done = shared->done;
    *total = shared->total;
    if (recovering != nullptr) *recovering = shared->recovering;
    if (taken) shared->progressPosted = false;
}

std::u16string WarningsText(const std::vector<SplitWarning>& warnings) {
    std::u16string text;
    for (const SplitWarning& warning : warnings) text += u"\n\n" + WarningText(warning);
    return text;
}

}  // namespace

// ---- Commands ----------------------------------------------------------------

void StartCut() {
    if (Running() || g_window.file.empty()) return;
    size_t kind = static_cast<size_t>(Selected(IDC_CUT_KIND));
    std::string amount = TextOf(IDC_AMOUNT);
    CutChoice choice;
    AmountProblem problem;
    if (!ChooseCut(kind, amount.c_str(), static_cast<size_t>(Selected(IDC_UNIT)), &choice, &problem)) {
        Box(AmountText(amount.c_str(), problem, kind == kCutPresetCount + 1), kTitleError, MB_OK | MB_ICONERROR);
        return;
    }
    SplitShared* shared = new SplitShared;
    SplitRequest& request = shared->request;
    request.file = Utf8Of(g_window.file);
    request.byParts = choice.byParts;
    request.parts = choice.parts;
    request.partSize = choice.partSize;
    request.kind = static_cast<uint32_t>(Selected(IDC_CHECKSUM)) + CHECKSUM_MD5;
    request.recovery = RecoveryOfChoice(static_cast<size_t>(Selected(IDC_RECOVERY)));
    request.creator = "Vantorel " SELVANORE_VERSION_TEXT;
    request.system = JoinerSystem::Windows;
    request.places = kWindowsJoiner;
    if (!g_window.outDir.empty()) request.outDir = Utf8Of(g_window.outDir);
    request.events.context = shared;
    request.events.warn = OnWarning;
    request.events.progress = OnProgress;
    request.events.stop = OnStop;

    g_window.shared = shared;
    g_window.choice = choice;
    g_window.worker = CreateSuspendedThread(SplitWorker, shared);
    if (g_window.worker == nullptr) {
        delete shared;
        g_window.shared = nullptr;
        Box(Widen(kNoWorker), kTitleError, MB_OK | MB_ICONERROR);
        return;
    }
    g_window.startTick = GetTickCount();
    g_window.recovering = false;
    SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    SetText(IDC_SPLIT_ELAPSED, ElapsedText(FormatClock(0).text));
    SetText(IDC_SPLIT_REMAINING, RemainingText(kNoClock));
    SetText(IDC_STATUS, CuttingText(request.file));
    EnableChoices();
    SetTimer(g_window.main, kClockTimer, 500, nullptr);
    ResumeSuspendedThread(g_window.worker);
}

void StopCut() {
    if (!Running()) return;
    g_window.shared->stop.store(1);
    SetText(IDC_STATUS, kStopping);
    EnableWindow(GetDlgItem(g_window.dialog, IDC_STOP), FALSE);
}

void ShowClock() {
    if (!Running()) return;
    uint64_t done, total;
    LatestProgress(&done, &total, false);
    DWORD elapsed = GetTickCount() - g_window.startTick;
    SetText(IDC_SPLIT_ELAPSED, ElapsedText(FormatClock(elapsed / 1000).text));
    // Before the first block nothing tells how long the rest takes; the
    // recovery pass is estimated from its own start.
    DWORD phase = g_window.recovering ? GetTickCount() - g_window.phaseTick : elapsed;
    SetText(IDC_SPLIT_REMAINING,
            RemainingText(done == 0 ? kNoClock : FormatClock(EstimateRemaining(phase, done, total) / 1000).text));
}

void OnProgressMessage() {
    if (!Running()) return;
    uint64_t done, total;
    bool recovering = false;
    LatestProgress(&done, &total, true, &recovering);
    // The recovery pass starts the bar and the clock's estimate again.
    if (recovering && !g_window.recovering) {
        g_window.recovering = true;
        g_window.phaseTick = GetTickCount();
        SetText(IDC_STATUS, RecoveringText(g_window.shared->request.file));
    }
    int position = total == 0 ? 0 : static_cast<int>(done * 1.0 * kProgressRange / total);
    SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, position, 0);
}

void OnDone() {
    if (!Running()) return;
    // The worker posted its last message: it is ending, and runs on alone.
    CloseThreadHandle(g_window.worker);
    g_window.worker = nullptr;
    KillTimer(g_window.main, kClockTimer);
    SplitShared* shared = g_window.shared;
    ShowClock();
    g_window.shared = nullptr;
    if (g_window.closeWhenDone) {
        // The outcome removes whatever the run made.
        delete shared;
        DestroyWindow(g_window.main);
        return;
    }
    if (shared->succeeded) {
        SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, kProgressRange, 0);
        SetText(IDC_SPLIT_REMAINING, RemainingText(FormatClock(0).text));
        KeepOutputs(&shared->outcome);
        std::wstring folder = g_window.outDir.empty() ? FolderOf(g_window.file) : g_window.outDir;
        std::u16string summary = SummaryText(shared->outcome.result, Utf8Of(folder), g_window.choice);
        SetText(IDC_STATUS, CutDoneText(shared->outcome.result));
        EnableChoices();
        int answer = Box(summary + WarningsText(shared->warnings) + Widen(kOpenTheFolder), kTitleDone,
                         MB_YESNO | MB_ICONINFORMATION);
        if (answer == IDYES) ShellExecuteW(g_window.main, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else if (shared->outcome.interrupted) {
        SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        SetText(IDC_STATUS, kCutStopped);
        EnableChoices();
    } else {
        SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        SetText(IDC_STATUS, kCutImpossible);
        EnableChoices();
        Box(FailureText(shared->request.file, shared->outcome.failure), kTitleError, MB_OK | MB_ICONERROR);
    }
    delete shared;
}
