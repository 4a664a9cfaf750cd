#include "ui/progress.h"

#include <string>

#include "join/join_state.h"
#include "join/timeline.h"
#include "text/numbers.h"
#include "text/text.h"
#include "platform/platform.h"
#include "ui/dialog_record.h"
#include "ui/report.h"
#include "ui/view.h"

const char kRunningStatus[] = "Concatenación en curso...";
const char kRebuildingStatus[] = "Reconstrucción en curso...";

namespace {

const uint32_t kNoLine = 0xFFFFFFFF;
// The rebuild's progress line, which no part has.
const uint32_t kRebuildLine = 0xFFFFFFFE;
const uint32_t kTailLength = 6;
const uint32_t kLabelCapacity = 254;

// The part whose progress line is open at the end of the report.
uint32_t g_lastShownPart = kNoLine;

// A time label: the prefix and the clock of milliseconds, kept in 32 bits
// as the tick is (an estimate beyond 2^32 ms shows its low 32 bits).
void SetLabel(int id, const char* prefix, uint32_t milliseconds) {
    char label[kLabelCapacity];
    FormatText(label, sizeof label, "%s%s", prefix, FormatClock(milliseconds / 1000).text);
    SetControlText(g_dialog.window, id, label);
}

// Adds the quoted name of a part, which opens its progress line.
void AddPartName(std::string& text, uint32_t part) {
    if (part == kRebuildLine) {
        text += "Reconstrucción";
        return;
    }
    char name[kNameCapacity];
    PartName(part, name);
    char quoted[kNameCapacity];
    FormatText(quoted, sizeof quoted, "\"%s\"", name);
    text += quoted;
}

}  // namespace

namespace {

// The values of the latest progress message, taken by its handler while the
// worker waits, and shown afterwards.
struct ProgressShot {
    bool pending;
    uint32_t elapsed;
    uint32_t remaining;
    uint32_t part;
    uint32_t partPercent;
    uint32_t percent;
    bool rebuilding;
};
ProgressShot g_shot;

}  // namespace

void BeginProgressDisplay() {
    g_lastShownPart = kNoLine;
    g_shot.pending = false;
}

void OnJoinProgress() {
    uint32_t elapsed = GetTickCount32() - g_dialog.startTick;
    bool rebuilding = g_join.progressRebuilding != 0;
    uint64_t total = rebuilding ? g_join.progressTotal : g_join.inputTotal;
    g_shot = ProgressShot{true, elapsed,
                          static_cast<uint32_t>(EstimateRemaining(elapsed, g_join.progressDone, total)),
                          rebuilding ? kRebuildLine : g_join.progressPart, g_join.progressPartPercent,
                          g_join.progressPercent, rebuilding};
    ScheduleProgressDisplay(g_dialog.window);
}

void ShowPendingProgress() {
    if (!g_shot.pending) return;
    g_shot.pending = false;
    SetLabel(ID_ELAPSED_LABEL, "Tiempo transcurrido : ", g_shot.elapsed);
    SetLabel(ID_REMAINING_LABEL, "Tiempo restante : ", g_shot.remaining);

    // The report changes by one edit of its end, which replaces the open
    // line's tail: when the part has changed, with the end of that line, a
    // complete line for each part joined whole since the last display (a
    // join's round starts at the first part, so with no line open, every
    // part before this one) and the name of the new part; then with the new
    // tail.
    uint32_t part = g_shot.part;
    uint32_t replaced = g_lastShownPart == kNoLine ? 0 : kTailLength;
    std::string update;
    if (g_lastShownPart != part) {
        uint32_t unnamed = 0;
        if (g_lastShownPart != kNoLine) {
            update += "  100%\r\n";
            unnamed = g_lastShownPart == kRebuildLine ? part : g_lastShownPart + 1;
        }
        for (uint32_t k = unnamed; part != kRebuildLine && k < part; ++k) {
            AddPartName(update, k);
            update += "  100%\r\n";
        }
        g_lastShownPart = part;
        AddPartName(update, part);
    }

    uint32_t p = g_shot.partPercent;
    char tail[kTailLength + 1];
    if (p < 10) {
        FormatText(tail, sizeof tail, "    %u%%", p);
    } else if (p < 100) {
        FormatText(tail, sizeof tail, "   %u%%", p);
    } else {
        FormatText(tail, sizeof tail, "  100%%");
    }
    update += tail;
    ReplaceReportTail(replaced, update.c_str());
    SetTitleStatusAt(g_shot.percent, g_shot.rebuilding ? kRebuildingStatus : kRunningStatus);
}

void ShowPendingDisplay() {
    uint64_t begin = TimelineNow();
    uint32_t part = g_shot.part;
    ShowPendingProgress();
    ReleaseReport();
    TimelineRecord(Span::Display, Lane::Dialog, begin, part);
}

void EndProgressLine() {
    if (g_lastShownPart != kNoLine) AppendReportText("\r\n");
    g_lastShownPart = kNoLine;
}

void OnJoinPaused() {
    ShowPendingProgress();
    g_dialog.pauseTick = GetTickCount32();
    SetTitleStatus("Pausa");
    AppendReportText(PAUSE_NOTICE);
    SetControlText(g_dialog.window, ID_START_BUTTON, "Continuar");
    EnableControl(g_dialog.startButton, true);
    EnableControl(g_dialog.cancelButton, true);
    EnableControl(g_dialog.deleteInputsBox, true);
}
