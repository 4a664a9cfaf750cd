#include "ui/report.h"

#include <cstdarg>
#include <string>

#include "join/join_state.h"
#include "text/text.h"
#include "ui/dialog_record.h"
#include "ui/view.h"

namespace {

// Capacity of a status title, terminator included.
const uint32_t kTitleCapacity = 50;

// Whether edits are held, and what they come to so far: the box's text less
// its last g_trimmed characters, then g_held.
bool g_holding;
uint32_t g_trimmed;
std::string g_held;

// Replaces the last count characters of the box with text.
void EditTail(uint32_t count, const char* text) {
    uint32_t length = GetReportLength(g_dialog.reportBox);
    SetReportSelection(g_dialog.reportBox, length >= count ? length - count : 0, length);
    ReplaceReportSelection(g_dialog.reportBox, text);
}

void AddHeld() {
    if (g_held.empty() && g_trimmed == 0) return;
    std::string text;
    text.swap(g_held);
    uint32_t trimmed = g_trimmed;
    g_trimmed = 0;
    EditTail(trimmed, text.c_str());
}

}  // namespace

// Every edit of a report box is costly on some window systems (a multi-line
// edit control lays its text out again and redraws its scroll bars), so each
// operation here makes at most one, and held edits make one together.
void HoldReport() { g_holding = true; }

void ReleaseReport() {
    g_holding = false;
    AddHeld();
}

void ReleaseReportLater() { ScheduleProgressDisplay(g_dialog.window); }

void ReplaceReportTail(uint32_t count, const char* text) {
    if (!g_holding) {
        EditTail(count, text);
        return;
    }
    // The tail is the end of what the held edits come to: the held text's
    // own end first, then the box's.
    if (count <= g_held.size()) {
        g_held.resize(g_held.size() - count);
    } else {
        g_trimmed += count - static_cast<uint32_t>(g_held.size());
        g_held.clear();
    }
    g_held += text;
}

void AppendReportText(const char* text) { ReplaceReportTail(0, text); }

void AppendReportLine(const char* format, ...) {
    char text[kNameCapacity];
    va_list args;
    va_start(args, format);
    FormatTextV(text, sizeof text, format, args);
    va_end(args);
    char line[kNameCapacity + 2];
    FormatText(line, sizeof line, "%s\r\n", text);
    AppendReportText(line);
}

void TrimReportTail(uint32_t count) { ReplaceReportTail(count, ""); }

int ShowDialogBox(const char* text, const char* title, uint32_t style) {
    ReleaseReport();
    return ShowMessageBox(g_dialog.window, text, title, style);
}

const char* BytesWord(uint64_t count) { return count < 2 ? "byte." : "bytes."; }

void SetTitleStatus(const char* status) { SetTitleStatusAt(g_join.progressPercent, status); }

void SetTitleStatusAt(uint32_t percent, const char* status) {
    char title[kTitleCapacity];
    FormatText(title, sizeof title, "%u%% - %s", percent, status);
    SetMainTitle(g_dialog.window, title);
}
