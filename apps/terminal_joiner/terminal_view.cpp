// The terminal joiner's face for the dialog and the job: join/sink.h (its
// boxes, printed and asked; the worker's send, handed to the main thread)
// and ui/view.h (model controls: a text model of the report box, the
// buttons' texts and states, the check box asked once when it is read).
#include <string>

#include "apps/terminal_joiner/terminal_state.h"
#include "apps/terminal_joiner/texts.h"
#include "join/sink.h"
#include "text/show.h"
#include "ui/progress.h"
#include "ui/dialog.h"
#include "ui/report.h"
#include "ui/view.h"

namespace {

Control* ById(int id) {
    Control* all[] = {&g_tty.report, &g_tty.start, &g_tty.cancel, &g_tty.deleteInputs,
                      &g_tty.elapsed, &g_tty.remaining};
    for (Control* control : all) {
        if (control->id == id) return control;
    }
    return nullptr;
}

// Prints a box: its title, then its text indented; a question ends with
// the answers and its default in capitals, and is answered.
int ShowBox(const char* text, const char* title, uint32_t style) {
    std::string out = ShowText(title) + "\n";
    std::string body = text;
    size_t start = 0;
    for (;;) {
        size_t end = body.find('\n', start);
        out += "  " + ShowText(body.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        out += "\n";
        start = end + 1;
    }
    if ((style & 0x0F) != BOX_YES_NO) {
        Out(EraseLive() + NewLines() + out + "\n");
        return ANSWER_OK;
    }
    bool defaultYes = (style & BOX_DEFAULT_SECOND) == 0;
    out += defaultYes ? kPromptDefaultYes : kPromptDefaultNo;
    return Ask(out, defaultYes, g_tty.settings.answering) ? ANSWER_YES : ANSWER_NO;
}

}  // namespace

// ---- join/sink.h --------------------------------------------------------------

int ShowMessageBox(ViewWindow, const char* text, const char* title, uint32_t style) {
    int answer = 0;
    CallOnMainThread([&] { answer = ShowBox(text, title, style); });
    return answer;
}

namespace {
struct ViewBrushTag {};
ViewBrushTag g_brush;
}  // namespace

// The terminal has no brush; the job only needs a handle that is not null.
ViewBrush CreateReportBrush() { return reinterpret_cast<ViewBrush>(&g_brush); }
void DeleteReportBrush(ViewBrush) {}

void SendToDialog(ViewWindow, uint32_t message) {
    CallOnMainThread([message] { DispatchWorkerMessage(message); });
}

// ---- ui/view.h -----------------------------------------------------------------

uint32_t GetReportLength(ViewWindow box) {
    return static_cast<uint32_t>(ControlOf(box)->text.size());
}

void SetReportSelection(ViewWindow box, uint32_t start, uint32_t end) {
    uint32_t length = static_cast<uint32_t>(ControlOf(box)->text.size());
    g_tty.selectionStart = start < length ? start : length;
    g_tty.selectionEnd = end < length ? end : length;
}

// The report changes only at its end, within the open line: what is printed
// stays as it was.
void ReplaceReportSelection(ViewWindow box, const char* text) {
    std::string& content = ControlOf(box)->text;
    uint32_t start = g_tty.selectionStart;
    uint32_t end = g_tty.selectionEnd < start ? start : g_tty.selectionEnd;
    content.replace(start, end - start, text);
    g_tty.selectionStart = g_tty.selectionEnd = start + static_cast<uint32_t>(std::string(text).size());
    if (g_tty.printed > content.size()) g_tty.printed = content.size();
}

ViewWindow GetDialogControl(ViewWindow, int id) {
    Control* control = ById(id);
    return control != nullptr ? WindowOf(*control) : nullptr;
}

void LiftReportLimit(ViewWindow) {}

void SetControlText(ViewWindow, int id, const char* text) {
    if (Control* control = ById(id)) control->text = text;
}

void EnableControl(ViewWindow control, bool enable) {
    if (control != nullptr) ControlOf(control)->enabled = enable;
}

// Only the check box is read, once the join is found good: asked then, with
// the report's lines so far printed above the question.
bool IsControlChecked(ViewWindow control) {
    if (ControlOf(control) != &g_tty.deleteInputs) return false;
    if (!g_tty.deleteAsked) {
        g_tty.deleteAsked = true;
        ReleaseReport();
        Answering answering = g_tty.settings.deleteParts ? Answering::Yes
                              : g_tty.settings.answering != Answering::Ask ? Answering::No
                                                                           : Answering::Ask;
        g_tty.deleteAnswer = Ask(ShowText(g_tty.deleteInputs.text) + kPromptDefaultNo, false, answering);
    }
    return g_tty.deleteAnswer;
}

void SetMainTitle(ViewWindow, const char* text) { g_tty.title = text; }

void RepaintDialog(ViewWindow) {}

void DestroyMainWindow(ViewWindow) { g_tty.destroyed = true; }

// The terminal draws on the main thread, where the handler runs: at once.
void ScheduleProgressDisplay(ViewWindow) { ShowPendingDisplay(); }
