#include "tests/support/scripted_view.h"

#include <gtest/gtest.h>

#include <chrono>

#include "join/worker.h"
#include "ui/dialog.h"
#include "ui/progress.h"

ScriptedView g_view;

namespace {

struct ViewBrushTag {};
ViewBrushTag g_brushToken;

ModelControl& Control(ViewWindow window) { return *reinterpret_cast<ModelControl*>(window); }
ViewWindow Window(ModelControl& control) { return reinterpret_cast<ViewWindow>(&control); }

ModelControl WithId(int id) {
    ModelControl control;
    control.id = id;
    return control;
}

ModelControl* ById(int id) {
    ModelControl* all[] = {&g_view.report, &g_view.start, &g_view.cancel,
                           &g_view.deleteInputs, &g_view.elapsed, &g_view.remaining};
    for (ModelControl* c : all) {
        if (c->id == id) return c;
    }
    return nullptr;
}

}  // namespace

void ResetScriptedView() {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    g_view.dialog = ModelControl{};
    g_view.report = WithId(ID_REPORT_BOX);
    g_view.start = WithId(ID_START_BUTTON);
    g_view.cancel = WithId(ID_CANCEL_BUTTON);
    g_view.deleteInputs = WithId(ID_DELETE_INPUTS_BOX);
    g_view.elapsed = WithId(ID_ELAPSED_LABEL);
    g_view.remaining = WithId(ID_REMAINING_LABEL);
    g_view.title.clear();
    g_view.limitLifted = false;
    g_view.mainWindowDestroyed = false;
    g_view.repaints = 0;
    g_view.deferProgress = g_view.progressAsked = false;
    g_view.selectionStart = g_view.selectionEnd = 0;
    g_view.lengthRequests = g_view.selectRequests = g_view.replaceRequests = 0;
    g_view.boxes.clear();
    g_view.answers.clear();
    g_view.insideBox = nullptr;
    g_view.failBrush = false;
    g_view.brushesAlive = 0;
    // sent and handled only grow: a worker of an earlier test may still be
    // on its way out of its last send.
    g_view.pending.clear();
    g_view.messages.clear();
    g_view.afterHandler = nullptr;
}

ViewWindow DialogWindow() { return Window(g_view.dialog); }

std::vector<RecordedBox> RecordedBoxes() {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    return g_view.boxes;
}

std::string ReportText() {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    return g_view.report.text;
}

bool RunUiLoopUntilJobEnds(int limitSeconds) {
    for (;;) {
        uint32_t message;
        {
            std::unique_lock<std::mutex> lock(g_view.mutex);
            bool arrived = g_view.changed.wait_for(lock, std::chrono::seconds(limitSeconds),
                                                   [] { return !g_view.pending.empty(); });
            if (!arrived) {
                ADD_FAILURE() << "no message from the worker for " << limitSeconds << " s";
                return false;
            }
            message = g_view.pending.front();
            g_view.pending.pop_front();
        }
        EXPECT_TRUE(DispatchWorkerMessage(message)) << message;
        g_view.messages.push_back(message);
        if (g_view.afterHandler) g_view.afterHandler(message);
        {
            std::lock_guard<std::mutex> lock(g_view.mutex);
            ++g_view.handled;
        }
        g_view.changed.notify_all();
        // The posted display, the latest Windows may run it: sent messages go
        // before posted ones, so a worker that keeps sending keeps it waiting
        // until after its next message that is not a progress one.
        if (g_view.progressAsked && message != WM_JOIN_PROGRESS) {
            g_view.progressAsked = false;
            ShowPendingDisplay();
        }
        if (message == WM_JOIN_DONE || message == WM_JOIN_CANCELLED || message == WM_JOIN_FAILED) {
            return true;
        }
    }
}

// ---- The view ---------------------------------------------------------------

int ShowMessageBox(ViewWindow owner, const char* text, const char* title, uint32_t style) {
    RecordedBox box{owner, text, title, style};
    std::function<void(const RecordedBox&)> inside;
    int answer = ANSWER_OK;
    {
        std::lock_guard<std::mutex> lock(g_view.mutex);
        g_view.boxes.push_back(box);
        inside = g_view.insideBox;
        if ((style & 0x0F) == BOX_YES_NO) {
            if (g_view.answers.empty()) {
                ADD_FAILURE() << "no scripted answer for the box \"" << text << "\"";
                answer = ANSWER_NO;
            } else {
                answer = g_view.answers.front();
                g_view.answers.pop_front();
            }
        }
    }
    if (inside) inside(box);
    return answer;
}

ViewBrush CreateReportBrush() {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    if (g_view.failBrush) return nullptr;
    ++g_view.brushesAlive;
    return reinterpret_cast<ViewBrush>(&g_brushToken);
}

void DeleteReportBrush(ViewBrush brush) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    if (brush != nullptr) --g_view.brushesAlive;
}

uint32_t GetReportLength(ViewWindow box) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    ++g_view.lengthRequests;
    return static_cast<uint32_t>(Control(box).text.size());
}

void SetReportSelection(ViewWindow box, uint32_t start, uint32_t end) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    ++g_view.selectRequests;
    uint32_t length = static_cast<uint32_t>(Control(box).text.size());
    g_view.selectionStart = std::min(start, length);
    g_view.selectionEnd = std::min(end, length);
}

void ReplaceReportSelection(ViewWindow box, const char* text) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    ++g_view.replaceRequests;
    std::string& content = Control(box).text;
    content.replace(g_view.selectionStart, g_view.selectionEnd - g_view.selectionStart, text);
    g_view.selectionStart = g_view.selectionEnd =
        g_view.selectionStart + static_cast<uint32_t>(std::char_traits<char>::length(text));
}

ViewWindow GetDialogControl(ViewWindow, int id) {
    ModelControl* control = ById(id);
    return control != nullptr ? Window(*control) : nullptr;
}

void LiftReportLimit(ViewWindow) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    g_view.limitLifted = true;
}

void SetControlText(ViewWindow, int id, const char* text) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    ModelControl* control = ById(id);
    ASSERT_NE(control, nullptr) << id;
    control->text = text;
}

void EnableControl(ViewWindow control, bool enable) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    Control(control).enabled = enable;
}

bool IsControlChecked(ViewWindow control) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    return Control(control).checked;
}

void SetMainTitle(ViewWindow, const char* text) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    g_view.title = text;
}

void RepaintDialog(ViewWindow) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    ++g_view.repaints;
}

void DestroyMainWindow(ViewWindow) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    g_view.mainWindowDestroyed = true;
}

// The tests see the display at once, as it was made in the handler, unless
// they ask for it afterwards as Windows shows it.
void ScheduleProgressDisplay(ViewWindow) {
    if (g_view.deferProgress) {
        g_view.progressAsked = true;
    } else {
        ShowPendingDisplay();
    }
}

void SendToDialog(ViewWindow, uint32_t message) {
    std::unique_lock<std::mutex> lock(g_view.mutex);
    g_view.pending.push_back(message);
    uint64_t ticket = ++g_view.sent;
    g_view.changed.notify_all();
    g_view.changed.wait(lock, [ticket] { return g_view.handled >= ticket; });
}
